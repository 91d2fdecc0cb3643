// Restoring the terminal, whatever ends the process, and the signals that
// concern the front end (Ctrl-C, the ending signals, faults).
#pragma once

constexpr int kRestoreSequenceSize = 256;

// Remembers the terminal modes of standard input, if it is a terminal.
void SaveTerminalModes();
// The bytes that take the terminal out of full-screen mode (kept for the
// signal handlers, which must not call curses).
void SetRestoreSequence(const char* sequence);
// Writes the restore sequence and sets the saved modes back. Only
// async-signal-safe calls; may run more than once.
void RestoreTerminal();
// Turns echo off on standard input (line mode password prompts); false when
// it is not a terminal.
bool SetInputEcho(bool on);

// Ctrl-C becomes a cancel request that the dialog taking the keys picks up
// (a second one before that ends the process); the signals that end the
// process restore the terminal first. wakeDescriptor is written to on Ctrl-C.
void InstallSignalHandlers(int wakeDescriptor);
// True once for each pending Ctrl-C.
bool TakeInterrupt();
bool InterruptPending();
