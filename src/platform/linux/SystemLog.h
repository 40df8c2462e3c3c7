#pragma once

// Sends every log line to the system log (journald through syslog) and to stderr.
namespace SystemLog {
void install();
}
