#pragma once

// Chooses the display connection for the program itself: under a Wayland session it runs through
// XWayland, because only X11 lets it keep its window placed and on top. The choice is the
// program's alone; applications and links it opens start on the session's own display server.
namespace DisplayEnvironment {
// Before the application object exists: asks Qt for xcb under Wayland, unless the user chose a
// platform, and for window images sent over the X connection rather than through shared memory.
void prepare();
// Once the application object exists: takes back what prepare() set, so that child processes
// (launched applications, the URL opener) do not inherit it.
void keepFromChildren();
}
