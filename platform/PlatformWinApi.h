// windows.h as the platform's Windows files include it: without its min and max macros and the
// rarely used parts. Include it after the C runtime's headers.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
