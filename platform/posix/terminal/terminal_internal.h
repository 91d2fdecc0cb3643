// The parts of the terminal front end below the dialogs: the curses screen
// and the terminal's restoration, whatever ends the process.
#pragma once

#include "platform/posix/terminal/dialog_model.h"

// ---- the full-screen terminal (terminal_screen.cpp) ------------------------

// Takes over the terminal on standard input and output. False when the
// terminal type is unknown; nothing is changed then.
bool StartScreen();
void GetScreenCells(int* columns, int* rows);
// Puts the grid on the terminal; only what changed is sent.
void ShowGrid(const ScreenGrid& grid, bool redrawAll);

enum class ScreenInput { None, Key, Resized, Redraw };
// Reads one key if one is waiting; never blocks for long.
ScreenInput ReadScreenKey(KeyPress* key);

// ---- restoring the terminal (terminal_restore.cpp) ------------------------

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
