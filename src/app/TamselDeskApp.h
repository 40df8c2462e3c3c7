#pragma once

// The program's entry: creates the application, the platform services and the coordinator,
// and runs the event loop until the user or the session quits.
namespace TamselDeskApp {
inline constexpr const char *applicationId = "app.tamsel.Tamsel";
int launch(int argc, char **argv);
}
