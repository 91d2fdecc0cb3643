// Taking the terminal over at the first call of the front end, and giving
// it back at the end of the process.
#pragma once

#include "platform/posix/posix_hooks.h"
#include "platform/posix/terminal/terminal_state.h"

// Chooses the mode (full screen when standard input and output are a
// terminal that can address its cursor, else lines), opens the hand-over
// pipes and installs the signal handlers and the two hooks, which must
// reach this same record. Lock held; does nothing after the first call.
void StartTerminal(TerminalUi* ui, InputDescriptorFunction inputDescriptor, ProcessEndHook processEnd);
// The end of the process, from whichever thread: the lock is taken for good
// (no thread draws again), the terminal restored, and the last error box
// written where the user can still read it. Runs once.
void EndTerminal(TerminalUi* ui);
