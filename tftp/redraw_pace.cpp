// The pace of the TFTP server's progress redraws.
#include "tftp/redraw_pace.h"

bool RedrawDue(RedrawPace* pace, std::uint32_t nowMs) {
    // Unsigned difference: right across the clock's 32-bit wrap.
    if (pace->drawn && nowMs - pace->lastMs < kRedrawIntervalMs) return false;
    pace->drawn = true;
    pace->lastMs = nowMs;
    return true;
}
