// The full-screen mode: every visible dialog composed into one picture,
// keys read ahead for the topmost one, and the modal loop.
#pragma once

#include "platform/posix/terminal/terminal_state.h"

// Draws every visible dialog bottom to top and puts the picture on the
// terminal. Lock held; nothing is drawn outside the full-screen mode.
void Compose(TerminalUi* ui);
// Takes one key (or a pending Ctrl-C) for `target`, the topmost dialog,
// and applies it; *command is what it raises, 0 none. False when no input
// waits. Lock held.
bool TakeScreenCommand(TerminalUi* ui, PlatformWindow* target, int* command);
// The modal loop on the calling thread, until the window is ended. Lock not held.
void RunScreenLoop(TerminalUi* ui, PlatformWindow* window);
