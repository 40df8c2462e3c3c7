#pragma once

// Chooses the display connection before the application object exists: under a Wayland session
// the program runs through XWayland, because only X11 lets it keep its window placed and on top.
namespace DisplayEnvironment {
void prepare();
}
