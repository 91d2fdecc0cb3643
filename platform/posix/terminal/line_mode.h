// The line mode: each dialog written as lines and answered line by line,
// when standard input or output is not a terminal (or the terminal cannot
// address its cursor), so that a run can be scripted and logged.
#pragma once

#include <cstddef>
#include <mutex>

#include "console/line_format.h"
#include "platform/posix/terminal/terminal_state.h"

// ---- output (line_output.cpp) ---------------------------------------------

// Writes text to standard output as one line is shown: control bytes as '?'.
void WriteShown(const char* text, std::size_t length);
// Writes a prompt that waits for its answer.
void Prompt(LineState* lines, const char* text);
// Writes one line; a prompt that waits for its answer is written again below it.
void PrintText(LineState* lines, const char* text);
// Writes a text wrapped to the width of a line.
void PrintWrapped(LineState* lines, const char* text);
// The dialog's title, texts and shown values.
void PrintDialog(LineState* lines, const PlatformWindow* window);
// A modeless dialog's title and progress, now and then (`force`: now).
void ReportProgress(TerminalUi* ui, PlatformWindow* window, bool force);
// The last progress line of a modeless dialog that goes, when its title
// changed since the last one written.
void ReportFinalProgress(TerminalUi* ui, PlatformWindow* window);

// ---- input (line_input.cpp) -----------------------------------------------

enum class Answer { Line, EndOfInput, Interrupted };

// Waits for the answer to the prompt just written. Lock held on entry and exit.
Answer ReadAnswer(TerminalUi* ui, std::unique_lock<std::mutex>& lock, PlatformWindow* window, char* line,
                  int capacity, bool masked);
// Standard input ended and all of it answered.
bool InputExhausted(const LineState& lines);
// The next answer is the word that cancels a modeless dialog.
bool CancelWordWaiting(LineState* lines);
// The command a modeless dialog takes from the input (only Ctrl-C or the
// cancel word, and only while no prompt waits). Lock held.
bool TakeLineCommand(TerminalUi* ui, PlatformWindow* target, int* command);
// Equal but for the case of ASCII letters.
bool SameWord(const char* a, const char* b);
// Removes blanks and tabs at both ends.
void Trim(char* text);

// ---- dialogs (line_dialogs.cpp) -------------------------------------------

// The modal loop of the line mode: fields, then a button, until the
// procedure ends the dialog. Lock held on entry and exit.
void RunLineLoop(TerminalUi* ui, std::unique_lock<std::mutex>& lock, PlatformWindow* window);
void RunMessageBoxLines(TerminalUi* ui, std::unique_lock<std::mutex>& lock, PlatformWindow* window);
