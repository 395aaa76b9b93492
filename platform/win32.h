// The one platform header of the program.
//
// On Windows builds it is the system's own <windows.h> and <ddraw.h>. On the
// host it is the project's declarations of the few Win32 types, constants and
// functions that the program calls; the simulated machine in sim/ defines them.
#ifndef QUARVEL_PLATFORM_WIN32_H
#define QUARVEL_PLATFORM_WIN32_H

#ifdef _WIN32
#include <windows.h>
#include <ddraw.h>
#else
#include "host_win32.h"
#endif

#endif
