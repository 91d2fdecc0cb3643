// The trace hook: fixed diagnostic points with printf-style formats. Silent
// in the shipped build; configured with -DQEV_TRACE=ON it writes to standard
// error (POSIX) or the debugger output (Windows), to diagnose a failing
// upgrade in the field. Implemented by the platform layer (platform/trace.cpp).
#pragma once

void Trace(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
