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

void ProgramPath(char* path, std::size_t capacity) {
    if (capacity == 0) return;
    DWORD length = ::GetModuleFileNameA(nullptr, path, static_cast<DWORD>(capacity));
    if (length == 0 || length >= capacity) path[0] = 0;
    path[capacity - 1] = 0;
}
