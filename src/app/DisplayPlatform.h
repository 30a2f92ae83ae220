#pragma once

// Chooses the windowing platform before the application object exists, which
// ends the process when the platform it starts on cannot be opened. The panels
// are drawn with OpenGL and need a display; --install and --uninstall create
// no window and must work from a plain terminal or a remote shell. Where no
// display can be reached, the offscreen platform is chosen so start-up gets as
// far as the command line. A no-op where the system always has a display.
void chooseDisplayPlatform();

// False when chooseDisplayPlatform found no display to draw the panels on.
bool displayAvailable();
