// On Windows the context draws into the window itself (WGL): its size is the window's.
#include "platform/PlatformWindowSdl.h"

namespace tv {

bool PlatformSurfaceSize(int& /*Width*/, int& /*Height*/) { return false; }

}  // namespace tv
