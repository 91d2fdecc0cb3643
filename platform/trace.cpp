// The trace hook (common/trace.h), shared by both platforms: output only
// when built with QEV_TRACE_ENABLED, to WriteTraceText.
#include "common/trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common/shown_text.h"
#include "platform/platform.h"

void Trace(const char* format, ...) {
#if defined(QEV_TRACE_ENABLED)
    // Device replies can be long; a trace shows their start, which is what
    // a diagnosis needs, and never more than this buffer.
    char text[4096];
    std::va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    // Traces carry what devices send; they keep their own line breaks.
    MakeShown(text, std::strlen(text), ProcessCharacterSet(), ShownLayout::Lines);
    WriteTraceText(text);
#else
    (void)format;
#endif
}
