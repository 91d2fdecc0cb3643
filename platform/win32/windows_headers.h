// The Windows system headers, included in one fixed order by every file of
// the Win32 platform layer: Winsock 2 before windows.h, the lean set of
// windows.h, the common controls.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
