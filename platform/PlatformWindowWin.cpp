// The window's Windows side: SDL is told that the program has its own main function, its windows
// get the class "GW_QM_Vesk1" (by which a second copy finds the first), and the process asks for
// real pixels on scaled displays. Windows always has a window manager.
#include "platform/PlatformWindowSdl.h"

#include "platform/PlatformSystemImpl.h"

namespace tv {

void PlatformPrepareSdl() {
  static bool ready = false;
  if (ready) return;
  ready = true;
  SDL_SetMainReady();
  // The window sizes are real pixels, as for a program that declares itself DPI aware.
  SDL_SetHintWithPriority(SDL_HINT_WINDOWS_DPI_AWARENESS, "system", SDL_HINT_DEFAULT);
  // SDL gives the class the program's first icon resource.
  SDL_RegisterApp(WindowClassName, 0, nullptr);
}

bool PlatformHasWindowManager(SDL_Window* Window) {
  (void)Window;
  return true;
}

}  // namespace tv
