// The drawing surface's own size, asked of EGL (on which SDL's off-screen driver draws).
#include <epoxy/egl.h>

#include "platform/PlatformWindowSdl.h"

namespace tv {

bool PlatformSurfaceSize(int& Width, int& Height) {
  if (!epoxy_has_egl() || eglGetCurrentContext() == EGL_NO_CONTEXT) return false;
  const EGLDisplay display = eglGetCurrentDisplay();
  const EGLSurface surface = eglGetCurrentSurface(EGL_DRAW);
  EGLint w = 0;
  EGLint h = 0;
  if (surface == EGL_NO_SURFACE || eglQuerySurface(display, surface, EGL_WIDTH, &w) != EGL_TRUE ||
      eglQuerySurface(display, surface, EGL_HEIGHT, &h) != EGL_TRUE) {
    return false;
  }
  Width = w;
  Height = h;
  return true;
}

}  // namespace tv
