// What only the X11 server can tell about the window: whether a window manager runs at all.
// Our window header comes first: the X11 headers that SDL_syswm.h pulls in define macros (None,
// KeyPress, ...) that clash with its names.
#include "platform/PlatformWindowSdl.h"

#include <SDL_syswm.h>

#include <cstring>

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#endif

namespace tv {

void PlatformPrepareSdl() {}

bool PlatformHasWindowManager(SDL_Window* Window) {
#if defined(SDL_VIDEO_DRIVER_X11)
  const char* driver = SDL_GetCurrentVideoDriver();
  if (Window == nullptr || driver == nullptr || std::strcmp(driver, "x11") != 0) return true;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(Window, &info) || info.subsystem != SDL_SYSWM_X11) return true;
  Display* display = info.info.x11.display;
  // A window manager that follows the desktop conventions names its own window on the root.
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                                        &format, &count, &after, &data);
  const bool found = status == Success && type == XA_WINDOW && count == 1 && data != nullptr;
  if (data != nullptr) XFree(data);
  return found;
#else
  (void)Window;
  return true;
#endif
}

}  // namespace tv
