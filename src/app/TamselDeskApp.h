#pragma once

// The program's entry: creates the application, the platform services and the coordinator,
// and runs the event loop until the user or the session quits.
namespace TamselDeskApp {
inline constexpr const char *applicationId = "app.tamsel.Tamsel";
// The action on the application's bus name that opens or closes the Ask prompt.
inline constexpr const char *toggleAskAction = "toggle-ask";
// With toggleAsk, a copy that is already running opens or closes its Ask prompt and this one
// leaves; when none runs, this one starts and opens the prompt once its pet is on screen.
int launch(int argc, char **argv, bool toggleAsk = false);
}
