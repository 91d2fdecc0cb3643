// Input handed over between threads: which thread may read the input now,
// the waits that wake when it arrives, and one input taken and delivered
// to the topmost dialog's procedure.
#pragma once

#include <mutex>

#include "platform/posix/terminal/terminal_state.h"

// What the platform's waits on the calling thread watch besides their
// socket or thread: standard input when the input is this thread's to read,
// a descriptor that is always readable when input already waits, else -1.
// Takes the lock.
int InputDescriptor(TerminalUi* ui);
// Waits until the descriptor (if any) is readable, Ctrl-C is pressed, or
// the time is up. Lock not held.
void WaitFor(TerminalUi* ui, int descriptor, int timeoutMs);
// Takes one input for the topmost dialog, if the calling thread owns it
// (and it is `only`, when given), and hands the command it raises to the
// dialog. False when nothing was taken. Takes the lock.
bool DeliverOneInput(TerminalUi* ui, PlatformWindow* only);
// A message box ends with the command; a dialog's procedure gets it, called
// without the lock. Lock held on entry and exit.
void DeliverCommand(std::unique_lock<std::mutex>& lock, PlatformWindow* window, int command);
