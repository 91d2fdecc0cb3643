// The state of the terminal front end in one record, TerminalUi: the
// dialogs' windows, the full-screen mode's picture and keys, the line mode's
// input and prompt, and the pipes that hand input over between threads.
// terminal_ui.cpp owns the one instance and passes it to every part; its
// lock guards all of it. Also here: the windows' allocation and stacking.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/platform_ui.h"
#include "console/dialog_drawing.h"
#include "console/dialog_keys.h"
#include "console/dialog_model.h"

constexpr int kMaxWindows = 8;           // two modeless dialogs, a modal one, boxes over them
constexpr int kKeyQueueSize = 64;
constexpr int kInputBufferSize = 8192;   // line mode: answers read ahead
constexpr int kLineSize = 1024;

enum class Mode { Unset, Screen, Lines };
enum class WindowKind { Modal, Modeless, MessageBox };

struct PlatformWindow {
    bool inUse;
    WindowKind kind;
    bool visible;
    bool ended;            // modal dialogs and message boxes: the loop may stop
    int result;
    bool awaitingLine;     // line mode: a prompt of this dialog waits for an answer
    bool placed;           // moved by MoveWindowToTop (else centred)
    int x, y;              // where the dialog was put, in cells
    DialogProcedure procedure;
    void* context;         // the dialog's own data, for its procedure
    std::thread::id owner; // the thread that created it and alone reads its keys
    unsigned order;        // stacking: higher is on top
    // Line mode: the last progress line written for a modeless dialog.
    std::uint32_t reportedAt;
    bool changedSinceReport;
    char reportedTitle[kDialogTitleSize];
    DialogModel model;
};

// The full-screen mode: the picture of every visible dialog (curses'
// refresh sends only the cells that changed) and the keys read ahead.
struct ScreenState {
    ScreenGrid grid;
    bool redrawAll;        // the next picture repaints the whole terminal
    KeyPress keys[kKeyQueueSize];
    int keyCount;
};

// The line mode: standard input read ahead, and the prompt that waits for
// its answer (written again below any line another thread writes).
struct LineState {
    char input[kInputBufferSize];
    int inputLength;
    bool inputEnded;
    bool stdinTerminal;
    bool echoAnswers;      // the answers are not on the screen already: write them out
    char pendingPrompt[kLineSize];
    bool promptPending;
};

// Input handed over between threads: a thread that waits for its dialog's
// input also watches these.
struct InputHandOver {
    int wakePipe[2] = {-1, -1};   // written by the Ctrl-C handler
    int readyPipe[2] = {-1, -1};  // always readable: "input is already waiting"
};

struct TerminalUi {
    std::mutex lock;
    Mode mode = Mode::Unset;
    PlatformWindow windows[kMaxWindows];
    unsigned order = 0;              // the stacking order given last
    std::atomic<bool> ended{false};  // the process ends: nothing is drawn or read any more
    char lastError[kLineSize];       // the last box without owner, shown again after the screen is left
    ScreenState screen;
    LineState lines;
    InputHandOver handOver;
};

// ---- the windows (window_stack.cpp) --------------------------------------

bool IsLive(const TerminalUi& ui, const PlatformWindow* window);
// The visible window shown or raised last, or null.
PlatformWindow* Topmost(TerminalUi* ui);
// Line mode: the prompt that gets the next answer, the topmost waiting one.
PlatformWindow* LineTaker(TerminalUi* ui);
// A free window owned by the calling thread, or null when all are in use.
PlatformWindow* Allocate(TerminalUi* ui, WindowKind kind);
void Release(PlatformWindow* window);
// A control of a live window, or null.
ControlState* FindControl(TerminalUi* ui, PlatformWindow* window, int controlId);
// The screen in cells; the line mode lays dialogs out for 80 x 24.
void ScreenSize(const TerminalUi& ui, int* columns, int* rows);
// Lays the dialog out again; a new dialog is centred, a placed one keeps its centre.
void LayOut(TerminalUi* ui, PlatformWindow* window);
// Puts the window on top and shows it (line mode: writes it out).
void Show(TerminalUi* ui, PlatformWindow* window);
