// The window's SDL side, for platform/ itself and for tests that speak SDL's events directly.
#pragma once

#include <SDL.h>

#include "platform/PlatformWindow.h"

namespace tv {

// Readies SDL before a subsystem starts: on Windows it tells SDL that the program has its own
// main function and gives the windows their class name; elsewhere it does nothing.
void PlatformPrepareSdl();

// Puts an SDL event into the queue as if the system had sent it.
void PlatformInjectEvent(const SDL_Event& Event);

// False only where the X11 server has no window manager, which never grants a full-screen request
// (nor any other: the window keeps the size and place it asks for itself).
bool PlatformHasWindowManager(SDL_Window* Window);

// The pixel size of the current context's drawing surface where the window system can tell it
// apart from the window's size (SDL's off-screen driver keeps the surface the window was made
// with, over EGL); false where there is no such surface to ask, and the window's size holds.
bool PlatformSurfaceSize(int& Width, int& Height);

}  // namespace tv
