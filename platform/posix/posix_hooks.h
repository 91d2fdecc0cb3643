// Hooks between the POSIX system layer and the terminal front end, so that
// waits can wake for keyboard input and the process end restores the terminal.
#pragma once

// The descriptor the calling thread's dialogs read input from, or -1.
// Installed by the terminal front end.
typedef int (*InputDescriptorFunction)();
void SetInputDescriptorFunction(InputDescriptorFunction function);
int CurrentInputDescriptor();

// Called once by EndProcess before the process ends (async-signal-safe code only).
typedef void (*ProcessEndHook)();
void SetProcessEndHook(ProcessEndHook hook);
void RunProcessEndHook();
