// The end of the process and the trace output on Windows.
#include "platform/win32/windows_headers.h"

#include <cstdio>

#include "platform/platform.h"

void EndProcess(int exitCode) {
    std::fflush(stdout);
    std::fflush(stderr);
    // Ends every thread with the process, including one blocked on a silent device.
    ::ExitProcess(static_cast<UINT>(exitCode));
}

void WriteTraceText(const char* text) { ::OutputDebugStringA(text); }
