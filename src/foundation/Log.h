#pragma once

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcTamsel)
// Off by default; QT_LOGGING_RULES="tamsel.trace.debug=true" shows what the pet plays (tests, debugging).
Q_DECLARE_LOGGING_CATEGORY(lcTamselTrace)

namespace Log {
// One plain line per event, e.g. "ReminderStore decode failed: <description>".
// The program has no log levels of its own; every line goes through the "tamsel" category.
void line(const QString &text);
}
