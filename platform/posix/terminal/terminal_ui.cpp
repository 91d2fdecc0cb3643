// The user interface of the POSIX program: the ten dialogs and the message
// boxes in a terminal. When standard input and output are a terminal the
// dialogs are drawn full screen through curses and worked with the keyboard;
// otherwise each dialog is written as lines and answered line by line, so
// that a run can be scripted and logged.
//
// Threads: every operation takes one lock, so two threads may each own
// dialogs and call in at once. Keys go to the topmost dialog (the one shown
// or raised last) and are read only by the thread that created it, when it
// pumps that dialog or runs its modal loop. Dialog procedures are always
// called without the lock held.
#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "common/text.h"
#include "platform/platform_ui.h"
#include "platform/posix/posix_hooks.h"
#include "platform/posix/terminal/terminal_internal.h"

namespace {
enum class WindowKind { Modal, Modeless, MessageBox };
}  // namespace

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
    std::thread::id owner; // the thread that created it and alone reads its keys
    unsigned order;        // stacking: higher is on top
    // Line mode: the last progress line written for a modeless dialog.
    std::uint32_t reportedAt;
    bool changedSinceReport;
    char reportedTitle[kDialogTitleSize];
    DialogModel model;
};

namespace {

enum class Mode { Unset, Screen, Lines };
enum class Answer { Line, EndOfInput, Interrupted };

constexpr int kMaxWindows = 8;           // two modeless dialogs, a modal one, boxes over them
constexpr int kKeyQueueSize = 64;
constexpr int kInputBufferSize = 8192;   // line mode: answers read ahead
constexpr int kLineSize = 1024;
constexpr int kPrintWidth = 78;          // line mode: long texts wrap here
constexpr int kLineModeColumns = 80;
constexpr int kLineModeRows = 24;
constexpr std::uint32_t kReportIntervalMs = 3000;
constexpr int kModalWaitMs = 100;
constexpr int kProcessEndLockTries = 200;
const char kCancelWord[] = "cancel";

std::mutex g_lock;
Mode g_mode = Mode::Unset;
PlatformWindow g_windows[kMaxWindows];
unsigned g_order = 0;
ScreenGrid g_grid;
ScreenGrid g_shown;
bool g_redrawAll = false;
KeyPress g_keys[kKeyQueueSize];
int g_keyCount = 0;
int g_wakePipe[2] = {-1, -1};   // written by the Ctrl-C handler
int g_readyPipe[2] = {-1, -1};  // always readable: "input is already waiting"
char g_input[kInputBufferSize];
int g_inputLength = 0;
bool g_inputEnded = false;
bool g_stdinTerminal = false;
bool g_echoAnswers = false;
char g_pendingPrompt[kLineSize];
bool g_promptPending = false;
char g_lastError[kLineSize];    // the last box without owner, shown again after the screen is left
std::atomic<bool> g_ended{false};

std::uint32_t Now() {
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

void SleepBriefly() {
    timespec pause{0, 1000000L};
    ::nanosleep(&pause, nullptr);
}

bool IsLive(const PlatformWindow* window) {
    return window >= g_windows && window < g_windows + kMaxWindows && window->inUse;
}

PlatformWindow* Topmost() {
    PlatformWindow* top = nullptr;
    for (PlatformWindow& window : g_windows)
        if (window.inUse && window.visible && (top == nullptr || window.order > top->order)) top = &window;
    return top;
}

// Line mode: the prompt that gets the next answer, the topmost waiting one.
PlatformWindow* LineTaker() {
    PlatformWindow* taker = nullptr;
    for (PlatformWindow& window : g_windows)
        if (window.inUse && window.awaitingLine && (taker == nullptr || window.order > taker->order))
            taker = &window;
    return taker;
}

void ScreenSize(int* columns, int* rows) {
    if (g_mode == Mode::Screen) {
        GetScreenCells(columns, rows);
    } else {
        *columns = kLineModeColumns;
        *rows = kLineModeRows;
    }
}

// ---- drawing -------------------------------------------------------------

bool SameAsShown() {
    if (g_grid.columns != g_shown.columns || g_grid.rows != g_shown.rows) return false;
    if (g_grid.cursorVisible != g_shown.cursorVisible || g_grid.cursorRow != g_shown.cursorRow ||
        g_grid.cursorColumn != g_shown.cursorColumn)
        return false;
    for (int row = 0; row < g_grid.rows; ++row)
        if (std::memcmp(g_grid.cells[row], g_shown.cells[row], sizeof(Cell) * static_cast<std::size_t>(g_grid.columns)) != 0)
            return false;
    return true;
}

void CopyToShown() {
    g_shown.columns = g_grid.columns;
    g_shown.rows = g_grid.rows;
    g_shown.cursorVisible = g_grid.cursorVisible;
    g_shown.cursorRow = g_grid.cursorRow;
    g_shown.cursorColumn = g_grid.cursorColumn;
    for (int row = 0; row < g_grid.rows; ++row)
        std::memcpy(g_shown.cells[row], g_grid.cells[row], sizeof(Cell) * static_cast<std::size_t>(g_grid.columns));
}

// Draws every visible dialog bottom to top and sends what changed.
void Compose() {
    if (g_mode != Mode::Screen || g_ended.load()) return;
    int columns = 0, rows = 0;
    GetScreenCells(&columns, &rows);
    ClearGrid(&g_grid, columns, rows);
    PlatformWindow* sorted[kMaxWindows];
    int count = 0;
    for (PlatformWindow& window : g_windows) {
        if (!window.inUse || !window.visible) continue;
        int j = count++;
        while (j > 0 && sorted[j - 1]->order > window.order) {
            sorted[j] = sorted[j - 1];
            --j;
        }
        sorted[j] = &window;
    }
    for (int i = 0; i < count; ++i) {
        DialogModel& model = sorted[i]->model;
        // Kept on the screen where it fits; a dialog larger than the screen
        // shows its top-left part, title first.
        int left = sorted[i]->x, top = sorted[i]->y;
        if (left + model.width > columns) left = columns - model.width;
        if (top + model.height > rows - 1) top = rows - 1 - model.height;
        model.left = left < 0 ? 0 : left;
        model.top = top < 0 ? 0 : top;
        DrawDialog(model, i == count - 1, &g_grid);
    }
    if (count > 0) DrawKeyHelp(sorted[count - 1]->model, &g_grid);
    if (!g_redrawAll && SameAsShown()) return;
    ShowGrid(g_grid, g_redrawAll);
    g_redrawAll = false;
    CopyToShown();
}

void LayOut(PlatformWindow* window) {
    int oldWidth = window->model.width, oldHeight = window->model.height;
    int columns = 0, rows = 0;
    ScreenSize(&columns, &rows);
    LayOutDialog(&window->model, columns, rows);
    if (!window->placed) {
        window->x = (columns - window->model.width) >> 1;
        window->y = (rows - window->model.height) >> 1;
    } else if (oldWidth > 0) {
        // A dialog that grows or shrinks keeps its centre.
        window->x += (oldWidth - window->model.width) / 2;
        window->y += (oldHeight - window->model.height) / 2;
    }
}

void OnResize() {
    int columns = 0, rows = 0;
    ScreenSize(&columns, &rows);
    for (PlatformWindow& window : g_windows) {
        if (!window.inUse) continue;
        LayOutDialog(&window.model, columns, rows);
        window.x = (columns - window.model.width) >> 1;
        window.y = (rows - window.model.height) >> 1;
    }
    g_redrawAll = true;
    Compose();
}

// ---- line mode output ----------------------------------------------------

void Flush() { std::fflush(stdout); }

void Prompt(const char* text) {
    std::fputs(text, stdout);
    CopyText(g_pendingPrompt, sizeof g_pendingPrompt, text);
    g_promptPending = true;
    Flush();
}

// Writes one line; a prompt that waits for its answer is written again below it.
void PrintLine(const char* text, int length) {
    if (g_promptPending) std::fputc('\n', stdout);
    std::fwrite(text, 1, static_cast<std::size_t>(length), stdout);
    std::fputc('\n', stdout);
    if (g_promptPending) std::fputs(g_pendingPrompt, stdout);
    Flush();
}

void PrintText(const char* text) { PrintLine(text, static_cast<int>(std::strlen(text))); }

void PrintWrapped(const char* text) {
    WrapCursor wrap;
    StartWrap(&wrap, text, kPrintWidth);
    int start = 0, length = 0;
    while (NextWrappedLine(&wrap, &start, &length)) PrintLine(text + start, length);
}

bool IsLabelControl(const ControlState& control) {
    ControlKind kind = control.source.kind;
    return (kind == ControlKind::TextLeft || kind == ControlKind::TextRight || kind == ControlKind::TextCenter) &&
           !IsMultiLineText(control);
}

bool IsInput(ControlKind kind) {
    return kind == ControlKind::EditInput || kind == ControlKind::EditPassword || kind == ControlKind::DropDown ||
           kind == ControlKind::AddressEntry;
}

bool IsValue(ControlKind kind) {
    return kind == ControlKind::EditLine || kind == ControlKind::EditValue || kind == ControlKind::EditValueCentered;
}

// The label left of a control on the same row, -1 none.
int LabelOf(const DialogModel& model, int index) {
    const CellRect& cell = model.controls[index].cell;
    int label = -1;
    for (int i = 0; i < model.controlCount; ++i) {
        const ControlState& candidate = model.controls[i];
        if (i == index || !IsLabelControl(candidate) || candidate.cell.row != cell.row) continue;
        if (candidate.cell.column >= cell.column) continue;
        if (label < 0 || candidate.cell.column > model.controls[label].cell.column) label = i;
    }
    return label;
}

// The controls top to bottom, left to right.
int VisualOrder(const DialogModel& model, int* order) {
    int count = 0;
    for (int i = 0; i < model.controlCount; ++i) {
        int j = count++;
        while (j > 0) {
            const CellRect& a = model.controls[order[j - 1]].cell;
            const CellRect& b = model.controls[i].cell;
            if (a.row < b.row || (a.row == b.row && a.column <= b.column)) break;
            order[j] = order[j - 1];
            --j;
        }
        order[j] = i;
    }
    return count;
}

void PrintDialog(const PlatformWindow* window) {
    const DialogModel& model = window->model;
    char line[kLineSize];
    FormatText(line, sizeof line, "== %s ==", model.title);
    PrintText(line);
    int order[kMaxDialogControls];
    int count = VisualOrder(model, order);
    bool labelUsed[kMaxDialogControls] = {};
    for (int k = 0; k < count; ++k) {
        int label = LabelOf(model, order[k]);
        if (label >= 0 && (IsInput(model.controls[order[k]].source.kind) || IsValue(model.controls[order[k]].source.kind)))
            labelUsed[label] = true;
    }
    for (int k = 0; k < count; ++k) {
        int index = order[k];
        const ControlState& control = model.controls[index];
        ControlKind kind = control.source.kind;
        if (IsMultiLineText(control)) {
            if (control.text[0] != 0) PrintWrapped(control.text);
        } else if (IsLabelControl(control)) {
            if (!labelUsed[index] && control.text[0] != 0) PrintText(control.text);
        } else if (IsValue(kind)) {
            int label = LabelOf(model, index);
            if (label >= 0) {
                FormatText(line, sizeof line, "%s: %s", model.controls[label].text, control.text);
                PrintText(line);
            } else if (control.text[0] != 0) {
                PrintText(control.text);
            }
        }
    }
    if (window->kind == WindowKind::Modeless && FindControlIndex(model, kCommandCancel) >= 0)
        PrintText("(to cancel, type cancel and press Enter)");
}

int ProgressPercent(const DialogModel& model) {
    for (int i = 0; i < model.controlCount; ++i) {
        const ControlState& control = model.controls[i];
        if (control.source.kind != ControlKind::ProgressBar) continue;
        if (control.maximum == 0) return -1;
        unsigned position = control.position < control.maximum ? control.position : control.maximum;
        return static_cast<int>(static_cast<unsigned long long>(position) * 100u / control.maximum);
    }
    return -1;
}

// Line mode: a modeless dialog's title and progress, now and then.
void ReportProgress(PlatformWindow* window, bool force) {
    if (g_mode != Mode::Lines || !window->visible || window->kind != WindowKind::Modeless) return;
    window->changedSinceReport = true;
    std::uint32_t now = Now();
    if (!force && now - window->reportedAt < kReportIntervalMs) return;
    char line[kLineSize];
    int percent = ProgressPercent(window->model);
    if (percent >= 0)
        FormatText(line, sizeof line, "%s: %d%%", window->model.title, percent);
    else
        CopyText(line, sizeof line, window->model.title);
    PrintText(line);
    window->reportedAt = now;
    window->changedSinceReport = false;
    CopyText(window->reportedTitle, sizeof window->reportedTitle, window->model.title);
}

// ---- line mode input -----------------------------------------------------

// Reads what waits on standard input into the buffer; never blocks.
void FillInput() {
    if (g_inputEnded || g_inputLength >= kInputBufferSize) return;
    pollfd waiting{STDIN_FILENO, POLLIN, 0};
    if (::poll(&waiting, 1, 0) <= 0) return;
    ssize_t count = ::read(STDIN_FILENO, g_input + g_inputLength, static_cast<size_t>(kInputBufferSize - g_inputLength));
    if (count > 0) {
        g_inputLength += static_cast<int>(count);
    } else if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
        g_inputEnded = true;
    }
}

// The first complete line waiting, copied without its line end; `take`
// removes it from the buffer. An unfinished last line counts once input has
// ended, and so does a line too long for the buffer.
bool FirstLine(char* line, int capacity, bool take) {
    int end = 0;
    while (end < g_inputLength && g_input[end] != '\n') ++end;
    bool complete = end < g_inputLength || (g_inputEnded && g_inputLength > 0) || g_inputLength == kInputBufferSize;
    if (!complete) return false;
    int length = end;
    if (length > 0 && g_input[length - 1] == '\r') --length;
    int copied = length < capacity - 1 ? length : capacity - 1;
    std::memcpy(line, g_input, static_cast<std::size_t>(copied));
    line[copied] = 0;
    if (take) {
        int consumed = end < g_inputLength ? end + 1 : end;
        std::memmove(g_input, g_input + consumed, static_cast<std::size_t>(g_inputLength - consumed));
        g_inputLength -= consumed;
    }
    return true;
}

bool SameWord(const char* a, const char* b) {
    for (; *a != 0 && *b != 0; ++a, ++b) {
        char x = *a >= 'A' && *a <= 'Z' ? static_cast<char>(*a - 'A' + 'a') : *a;
        char y = *b >= 'A' && *b <= 'Z' ? static_cast<char>(*b - 'A' + 'a') : *b;
        if (x != y) return false;
    }
    return *a == 0 && *b == 0;
}

void Trim(char* text) {
    int length = static_cast<int>(std::strlen(text));
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t')) text[--length] = 0;
    int start = 0;
    while (text[start] == ' ' || text[start] == '\t') ++start;
    if (start > 0) std::memmove(text, text + start, static_cast<std::size_t>(length - start + 1));
}

void DrainWakePipe() {
    char bytes[16];
    while (::read(g_wakePipe[0], bytes, sizeof bytes) > 0) {
    }
}

void WaitFor(int descriptor, int timeoutMs) {
    pollfd waits[2];
    int count = 0;
    waits[count++] = pollfd{g_wakePipe[0], POLLIN, 0};
    if (descriptor >= 0) waits[count++] = pollfd{descriptor, POLLIN, 0};
    ::poll(waits, static_cast<nfds_t>(count), timeoutMs);
    if (waits[0].revents & POLLIN) DrainWakePipe();
}

// Waits for the answer to the prompt just written. Lock held on entry and exit.
Answer ReadAnswer(std::unique_lock<std::mutex>& lock, PlatformWindow* window, char* line, int capacity, bool masked) {
    window->awaitingLine = true;
    if (masked) SetInputEcho(false);
    Answer answer = Answer::EndOfInput;
    for (;;) {
        if (LineTaker() == window) {
            if (TakeInterrupt()) {
                answer = Answer::Interrupted;
                break;
            }
            FillInput();
            if (FirstLine(line, capacity, true)) {
                answer = Answer::Line;
                break;
            }
            if (g_inputEnded) break;
        }
        bool mine = LineTaker() == window && !g_inputEnded;
        lock.unlock();
        WaitFor(mine ? STDIN_FILENO : -1, kModalWaitMs);
        lock.lock();
    }
    if (masked) SetInputEcho(true);
    window->awaitingLine = false;
    g_promptPending = false;
    if (answer == Answer::Line && g_echoAnswers) {
        if (masked) {
            for (const char* c = line; *c != 0; ++c) std::fputc('*', stdout);
        } else {
            std::fputs(line, stdout);
        }
        std::fputc('\n', stdout);
    } else if (answer != Answer::Line || (masked && g_stdinTerminal)) {
        std::fputc('\n', stdout);
    }
    Flush();
    return answer;
}

// ---- start-up and the end of the process ---------------------------------

int InputDescriptor();
void OnProcessEnd();

void Start() {
    if (g_mode != Mode::Unset) return;
    SaveTerminalModes();
    g_stdinTerminal = ::isatty(STDIN_FILENO) == 1;
    bool stdoutTerminal = ::isatty(STDOUT_FILENO) == 1;
    if (::pipe2(g_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) g_wakePipe[0] = g_wakePipe[1] = -1;
    if (::pipe2(g_readyPipe, O_CLOEXEC) == 0) {
        char byte = 'r';
        ssize_t ignored = ::write(g_readyPipe[1], &byte, 1);
        (void)ignored;
    }
    InstallSignalHandlers(g_wakePipe[1]);
    g_mode = Mode::Lines;
    if (g_stdinTerminal && stdoutTerminal && StartScreen()) g_mode = Mode::Screen;
    g_echoAnswers = !(g_stdinTerminal && stdoutTerminal);
    SetInputDescriptorFunction(InputDescriptor);
    SetProcessEndHook(OnProcessEnd);
    std::atexit(OnProcessEnd);
    if (g_mode == Mode::Screen) {
        g_redrawAll = true;
        Compose();
    }
}

// What the platform waits of the calling thread watch besides their socket
// or thread: standard input when the keys are this thread's to read, a
// descriptor that is always readable when input already waits, else none.
int InputDescriptor() {
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_ended.load() || g_mode == Mode::Unset) return -1;
    std::thread::id me = std::this_thread::get_id();
    if (g_mode == Mode::Lines) {
        PlatformWindow* taker = LineTaker();
        if (taker != nullptr) return taker->owner == me && !g_inputEnded ? STDIN_FILENO : -1;
    }
    PlatformWindow* top = Topmost();
    if (top == nullptr || top->owner != me) return -1;
    if (InterruptPending()) return g_readyPipe[0];
    if (g_mode == Mode::Screen) return g_keyCount > 0 ? g_readyPipe[0] : STDIN_FILENO;
    if (top->kind != WindowKind::Modeless) return -1;
    char line[kLineSize];
    if (FirstLine(line, sizeof line, false)) {
        Trim(line);
        if (SameWord(line, kCancelWord)) return g_readyPipe[0];
    }
    return g_inputEnded || g_inputLength >= kInputBufferSize ? -1 : STDIN_FILENO;
}

void WriteOut(const char* text) {
    std::size_t length = std::strlen(text);
    while (length > 0) {
        ssize_t written = ::write(STDOUT_FILENO, text, length);
        if (written <= 0) return;
        text += written;
        length -= static_cast<std::size_t>(written);
    }
}

// The end of the process, from whichever thread: the lock is taken for good
// (no thread draws again), the terminal restored, and the last error box
// written where the user can still read it.
void OnProcessEnd() {
    if (g_ended.exchange(true)) return;
    bool locked = false;
    for (int i = 0; i < kProcessEndLockTries && !(locked = g_lock.try_lock()); ++i) SleepBriefly();
    RestoreTerminal();
    if (!locked) return;
    if (g_mode == Mode::Screen && g_lastError[0] != 0) {
        WriteOut(g_lastError);
        WriteOut("\n");
    } else if (g_mode == Mode::Lines && g_promptPending) {
        std::fputc('\n', stdout);
        g_promptPending = false;
    }
    std::fflush(stdout);
}

// ---- windows -------------------------------------------------------------

PlatformWindow* Allocate(WindowKind kind) {
    for (PlatformWindow& window : g_windows) {
        if (window.inUse) continue;
        window.inUse = true;
        window.kind = kind;
        window.visible = false;
        window.ended = false;
        window.result = 0;
        window.awaitingLine = false;
        window.placed = false;
        window.x = window.y = 0;
        window.procedure = nullptr;
        window.owner = std::this_thread::get_id();
        window.order = 0;
        window.reportedAt = 0;
        window.changedSinceReport = false;
        window.reportedTitle[0] = 0;
        return &window;
    }
    return nullptr;
}

void Release(PlatformWindow* window) {
    window->inUse = false;
    window->visible = false;
    window->awaitingLine = false;
}

void Show(PlatformWindow* window) {
    window->visible = true;
    // A full repaint with each new dialog also wipes anything other code
    // wrote to the terminal meanwhile (trace lines, a tool's own output).
    g_redrawAll = true;
    window->order = ++g_order;
    LayOut(window);
    if (g_mode == Mode::Lines) {
        PrintDialog(window);
        window->reportedAt = Now();
        CopyText(window->reportedTitle, sizeof window->reportedTitle, window->model.title);
    }
    Compose();
}

ControlState* Control(PlatformWindow* window, int controlId) {
    if (!IsLive(window)) return nullptr;
    int index = FindControlIndex(window->model, controlId);
    return index >= 0 ? &window->model.controls[index] : nullptr;
}

// Takes one input for the topmost dialog, if the calling thread owns it
// (and it is `only`, when given), and hands the command it raises to the
// dialog's procedure. False when nothing was taken.
bool DeliverOneInput(PlatformWindow* only) {
    PlatformWindow* target = nullptr;
    DialogProcedure procedure = nullptr;
    int command = 0;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        if (g_ended.load()) return false;
        target = Topmost();
        if (target == nullptr || target->owner != std::this_thread::get_id()) return false;
        if (only != nullptr && target != only) return false;
        if (g_mode == Mode::Lines) {
            // Answers belong to a waiting prompt; a modeless dialog only
            // takes the word that cancels it.
            if (LineTaker() != nullptr || target->kind != WindowKind::Modeless) return false;
            if (TakeInterrupt()) {
                command = kCommandCancel;
            } else {
                FillInput();
                char line[kLineSize];
                if (!FirstLine(line, sizeof line, false)) return false;
                Trim(line);
                if (!SameWord(line, kCancelWord)) return false;
                FirstLine(line, sizeof line, true);
                command = kCommandCancel;
            }
        } else {
            if (TakeInterrupt()) {
                command = kCommandCancel;
            } else {
                if (g_keyCount == 0) {
                    KeyPress key;
                    for (;;) {
                        ScreenInput input = ReadScreenKey(&key);
                        if (input == ScreenInput::None) break;
                        if (input == ScreenInput::Resized) OnResize();
                        if (input == ScreenInput::Redraw) {
                            g_redrawAll = true;
                            Compose();
                        }
                        if (input == ScreenInput::Key && key.code != KeyCode::None && g_keyCount < kKeyQueueSize)
                            g_keys[g_keyCount++] = key;
                        if (g_keyCount == kKeyQueueSize) break;
                    }
                }
                if (g_keyCount == 0) return false;
                KeyPress key = g_keys[0];
                --g_keyCount;
                std::memmove(g_keys, g_keys + 1, sizeof(KeyPress) * static_cast<std::size_t>(g_keyCount));
                command = HandleKey(&target->model, key);
                Compose();
            }
        }
        if (command == 0) return true;
        if (target->kind == WindowKind::MessageBox) {
            target->ended = true;
            target->result = command;
            return true;
        }
        procedure = target->procedure;
    }
    if (procedure != nullptr) procedure(target, kMessageCommand, static_cast<std::uintptr_t>(command), 0);
    return true;
}

// The modal loop of the full-screen mode, on the calling thread.
void RunScreenLoop(PlatformWindow* window) {
    for (;;) {
        int descriptor = -1;
        {
            std::lock_guard<std::mutex> guard(g_lock);
            if (window->ended || g_ended.load()) return;
        }
        if (DeliverOneInput(nullptr)) continue;
        descriptor = InputDescriptor();
        WaitFor(descriptor, kModalWaitMs);
    }
}

void Dispatch(PlatformWindow* window, int command) {
    DialogProcedure procedure = window->procedure;
    if (window->kind == WindowKind::MessageBox) {
        window->ended = true;
        window->result = command;
        return;
    }
    if (procedure != nullptr) procedure(window, kMessageCommand, static_cast<std::uintptr_t>(command), 0);
}

int FindButtonByLabel(const DialogModel& model, const char* answer) {
    int match = -1, matches = 0;
    std::size_t length = std::strlen(answer);
    if (length == 0) return -1;
    for (int i = 0; i < model.controlCount; ++i) {
        const ControlState& control = model.controls[i];
        if (!IsPushButton(control.source.kind)) continue;
        if (SameWord(control.source.text, answer)) return i;
        // A unique beginning of a caption will do.
        char start[kLineSize];
        CopyText(start, length + 1 < sizeof start ? length + 1 : sizeof start, control.source.text);
        if (std::strlen(start) == length && SameWord(start, answer)) {
            match = i;
            ++matches;
        }
    }
    return matches == 1 ? match : -1;
}

// Line mode: asks for one input control. Returns a command when the answer
// was one (a button's caption at a choice, the end of input, Ctrl-C), else 0.
int AskInput(std::unique_lock<std::mutex>& lock, PlatformWindow* window, int index) {
    char prompt[kLineSize], line[kLineSize], label[kLineSize];
    for (;;) {
        DialogModel& model = window->model;
        ControlState& control = model.controls[index];
        ControlKind kind = control.source.kind;
        int labelIndex = LabelOf(model, index);
        CopyText(label, sizeof label,
                 labelIndex >= 0 ? model.controls[labelIndex].text
                                 : kind == ControlKind::AddressEntry ? "IP address" : "Value");
        char current[kControlTextSize];
        GetModelControlText(model, index, current, sizeof current);
        if (kind == ControlKind::DropDown) {
            if (control.entryCount < 2) return 0;  // nothing to choose
            PrintText(label);
            for (int i = 0; i < control.entryCount; ++i) {
                FormatText(line, sizeof line, "  %d) %s", i + 1, control.entries[i]);
                PrintText(line);
            }
            FormatText(prompt, sizeof prompt, "%s [%d]: ", label, control.selection + 1);
        } else if (kind == ControlKind::EditPassword || current[0] == 0) {
            FormatText(prompt, sizeof prompt, "%s: ", label);
        } else {
            FormatText(prompt, sizeof prompt, "%s [%s]: ", label, current);
        }
        Prompt(prompt);
        Answer answer = ReadAnswer(lock, window, line, sizeof line, kind == ControlKind::EditPassword);
        if (!IsLive(window)) return kCommandCancel;
        if (answer != Answer::Line) return kCommandCancel;
        if (kind == ControlKind::EditPassword || kind == ControlKind::EditInput) {
            if (line[0] != 0 || kind == ControlKind::EditPassword) SetModelControlText(&model, index, line);
            return 0;
        }
        Trim(line);
        if (line[0] == 0) return 0;  // keeps what is there
        int button = FindButtonByLabel(model, line);
        if (kind == ControlKind::AddressEntry) {
            bool addressLike = true;
            for (const char* c = line; *c != 0; ++c)
                if (!((*c >= '0' && *c <= '9') || *c == '.' || *c == '*')) addressLike = false;
            if (button >= 0 && !addressLike) return model.controls[button].source.id;
            SetModelControlText(&model, index, line);
            return 0;
        }
        // A drop-down list: a number, an entry as written, or a button.
        for (int i = 0; i < control.entryCount; ++i) {
            if (SameWord(control.entries[i], line)) {
                control.selection = i;
                return 0;
            }
        }
        char* end = nullptr;
        unsigned long number = std::strtoul(line, &end, 10);
        if (end != line && *end == 0 && number >= 1 && number <= static_cast<unsigned long>(control.entryCount)) {
            control.selection = static_cast<int>(number - 1);
            return 0;
        }
        if (button >= 0) return model.controls[button].source.id;
        FormatText(line, sizeof line, "Please answer 1 to %d.", control.entryCount);
        PrintText(line);
    }
}

// Line mode: asks which button to press; Enter takes the default one.
int AskButton(std::unique_lock<std::mutex>& lock, PlatformWindow* window) {
    char prompt[kLineSize], line[kLineSize];
    for (;;) {
        DialogModel& model = window->model;
        int order[kMaxDialogControls];
        int count = VisualOrder(model, order);
        prompt[0] = 0;
        int buttons = 0;
        for (int k = 0; k < count; ++k) {
            const ControlState& control = model.controls[order[k]];
            if (!IsPushButton(control.source.kind)) continue;
            AppendText(prompt, sizeof prompt, "%s%s", buttons > 0 ? " / " : "", control.source.text);
            ++buttons;
        }
        int defaultButton = EffectiveDefaultButton(model);
        if (buttons == 0) return kCommandCancel;
        if (defaultButton >= 0) AppendText(prompt, sizeof prompt, " [%s]", model.controls[defaultButton].source.text);
        AppendText(prompt, sizeof prompt, ": ");
        Prompt(prompt);
        Answer answer = ReadAnswer(lock, window, line, sizeof line, false);
        if (!IsLive(window) || answer != Answer::Line) return kCommandCancel;
        Trim(line);
        if (line[0] == 0 && defaultButton >= 0) return window->model.controls[defaultButton].source.id;
        int button = FindButtonByLabel(window->model, line);
        if (button >= 0) return window->model.controls[button].source.id;
        prompt[0] = 0;
        PrintText("Please answer with one of the buttons, or Enter for the one in brackets.");
    }
}

// The modal loop of the line mode: fields, then a button, until the
// procedure ends the dialog. Lock held on entry and exit.
void RunLineLoop(std::unique_lock<std::mutex>& lock, PlatformWindow* window) {
    while (IsLive(window) && !window->ended && !g_ended.load()) {
        int command = 0;
        int order[kMaxDialogControls];
        int count = VisualOrder(window->model, order);
        for (int k = 0; k < count && command == 0; ++k)
            if (IsInput(window->model.controls[order[k]].source.kind)) command = AskInput(lock, window, order[k]);
        if (command == 0) command = AskButton(lock, window);
        bool endOfInput = g_inputEnded && g_inputLength == 0;
        lock.unlock();
        Dispatch(window, command);
        lock.lock();
        // Input that has ended can answer nothing more: a dialog that
        // stays open after Cancel is ended here, so the run cannot spin.
        if (endOfInput && command == kCommandCancel && IsLive(window) && !window->ended) {
            window->ended = true;
            window->result = 0;
        }
    }
}

void RunMessageBoxLines(std::unique_lock<std::mutex>& lock, PlatformWindow* window) {
    char line[kLineSize];
    Prompt("Press Enter for OK: ");
    ReadAnswer(lock, window, line, sizeof line, false);
    window->ended = true;
    window->result = kCommandOk;
}

}  // namespace

// ---- the platform operations ---------------------------------------------

int RunModalDialog(InstanceHandle, int templateId, DialogProcedure procedure) {
    const DialogTemplate* source = FindDialogTemplate(templateId);
    if (source == nullptr) return 0;
    PlatformWindow* window = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        Start();
        window = Allocate(WindowKind::Modal);
        if (window == nullptr) return 0;
        window->procedure = procedure;
        InitializeDialogModel(&window->model, *source, true);
        LayOut(window);
    }
    std::intptr_t focusFirst = procedure(window, kMessageInitDialog, 0, 0);
    std::unique_lock<std::mutex> lock(g_lock);
    if (focusFirst != 0 || window->model.focus < 0) window->model.focus = FirstTabStop(window->model);
    if (!window->ended) {
        Show(window);
        if (g_mode == Mode::Lines) {
            RunLineLoop(lock, window);
        } else {
            lock.unlock();
            RunScreenLoop(window);
            lock.lock();
        }
    }
    int result = window->result;
    Release(window);
    Compose();
    return result;
}

void EndModalDialog(WindowHandle dialog, int result) {
    std::lock_guard<std::mutex> guard(g_lock);
    if (!IsLive(dialog) || dialog->kind != WindowKind::Modal) return;
    dialog->ended = true;
    dialog->result = result;
}

WindowHandle CreateModelessDialog(InstanceHandle, int templateId, DialogProcedure procedure) {
    const DialogTemplate* source = FindDialogTemplate(templateId);
    if (source == nullptr) return nullptr;
    PlatformWindow* window = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        Start();
        window = Allocate(WindowKind::Modeless);
        if (window == nullptr) return nullptr;
        window->procedure = procedure;
        InitializeDialogModel(&window->model, *source, false);
        LayOut(window);
    }
    std::intptr_t focusFirst = procedure(window, kMessageInitDialog, 0, 0);
    std::lock_guard<std::mutex> guard(g_lock);
    if (IsLive(window) && (focusFirst != 0 || window->model.focus < 0))
        window->model.focus = FirstTabStop(window->model);
    return window;
}

void ShowDialog(WindowHandle dialog) {
    std::lock_guard<std::mutex> guard(g_lock);
    if (!IsLive(dialog) || dialog->visible) return;
    Show(dialog);
}

void DestroyDialog(WindowHandle dialog) {
    std::lock_guard<std::mutex> guard(g_lock);
    if (!IsLive(dialog)) return;
    if (g_mode == Mode::Lines && dialog->visible && dialog->kind == WindowKind::Modeless &&
        dialog->changedSinceReport && std::strcmp(dialog->reportedTitle, dialog->model.title) != 0)
        ReportProgress(dialog, true);
    if (dialog->kind == WindowKind::Modal) {
        // Destroying a modal dialog ends its loop; the loop releases it.
        dialog->ended = true;
        dialog->visible = false;
    } else {
        Release(dialog);
    }
    Compose();
}

void SetWindowTitle(WindowHandle window, const char* title) {
    std::lock_guard<std::mutex> guard(g_lock);
    if (!IsLive(window)) return;
    CopyText(window->model.title, sizeof window->model.title, title != nullptr ? title : "");
    LayOut(window);
    ReportProgress(window, false);
    Compose();
}

void SetControlText(WindowHandle dialog, int controlId, const char* text) {
    std::lock_guard<std::mutex> guard(g_lock);
    ControlState* control = Control(dialog, controlId);
    if (control == nullptr) return;
    SetModelControlText(&dialog->model, FindControlIndex(dialog->model, controlId), text);
    LayOut(dialog);
    if (g_mode == Mode::Lines && dialog->visible && IsMultiLineText(*control) && control->text[0] != 0)
        PrintWrapped(control->text);
    Compose();
}

int GetControlText(WindowHandle dialog, int controlId, char* buffer, int capacity) {
    std::lock_guard<std::mutex> guard(g_lock);
    if (capacity > 0) buffer[0] = 0;
    if (!IsLive(dialog)) return 0;
    return GetModelControlText(dialog->model, FindControlIndex(dialog->model, controlId), buffer, capacity);
}

void FocusControl(WindowHandle dialog, int controlId) {
    std::lock_guard<std::mutex> guard(g_lock);
    if (!IsLive(dialog)) return;
    int index = FindControlIndex(dialog->model, controlId);
    if (index < 0) return;
    ControlKind kind = dialog->model.controls[index].source.kind;
    if (kind == ControlKind::ProgressBar || kind == ControlKind::Icon) return;
    dialog->model.focus = index;
    Compose();
}

void SetProgressRange(WindowHandle dialog, int controlId, unsigned maximum) {
    std::lock_guard<std::mutex> guard(g_lock);
    ControlState* control = Control(dialog, controlId);
    if (control == nullptr || control->source.kind != ControlKind::ProgressBar) return;
    control->maximum = maximum <= 65535u ? maximum : 65535u;
    ReportProgress(dialog, false);
    Compose();
}

void SetProgressPosition(WindowHandle dialog, int controlId, unsigned position) {
    std::lock_guard<std::mutex> guard(g_lock);
    ControlState* control = Control(dialog, controlId);
    if (control == nullptr || control->source.kind != ControlKind::ProgressBar) return;
    control->position = position;
    ReportProgress(dialog, false);
    Compose();
}

void AddListEntry(WindowHandle dialog, int controlId, const char* text) {
    std::lock_guard<std::mutex> guard(g_lock);
    ControlState* control = Control(dialog, controlId);
    if (control == nullptr || control->source.kind != ControlKind::DropDown) return;
    if (control->entryCount >= kMaxListEntries) return;
    CopyText(control->entries[control->entryCount++], kListEntrySize, text != nullptr ? text : "");
    LayOut(dialog);
    Compose();
}

void SelectListEntry(WindowHandle dialog, int controlId, int index) {
    std::lock_guard<std::mutex> guard(g_lock);
    ControlState* control = Control(dialog, controlId);
    if (control == nullptr || control->source.kind != ControlKind::DropDown) return;
    if (index >= -1 && index < control->entryCount) control->selection = index;
    Compose();
}

int GetSelectedListEntry(WindowHandle dialog, int controlId) {
    std::lock_guard<std::mutex> guard(g_lock);
    ControlState* control = Control(dialog, controlId);
    if (control == nullptr || control->source.kind != ControlKind::DropDown) return -1;
    return control->selection;
}

bool PumpOneMessage(WindowHandle dialog) {
    {
        std::lock_guard<std::mutex> guard(g_lock);
        if (!IsLive(dialog)) return false;
    }
    return DeliverOneInput(dialog);
}

void PumpAllMessages(WindowHandle dialog) {
    while (PumpOneMessage(dialog)) {
    }
}

void ShowMessageBox(WindowHandle owner, const char* text, const char* caption) {
    std::unique_lock<std::mutex> lock(g_lock);
    Start();
    if (text == nullptr) text = "";
    if (caption == nullptr) caption = "";
    if (owner == nullptr) FormatText(g_lastError, sizeof g_lastError, "%s: %s", caption, text);
    PlatformWindow* window = Allocate(WindowKind::MessageBox);
    if (window == nullptr) {
        PrintText(text);
        return;
    }
    InitializeMessageBoxModel(&window->model, text, caption);
    Show(window);
    if (g_mode == Mode::Lines) {
        RunMessageBoxLines(lock, window);
    } else {
        lock.unlock();
        RunScreenLoop(window);
        lock.lock();
    }
    Release(window);
    Compose();
}

bool GetWindowRectangle(WindowHandle window, WindowRect* rect) {
    std::lock_guard<std::mutex> guard(g_lock);
    if (!IsLive(window)) return false;
    rect->left = window->x;
    rect->top = window->y;
    rect->right = window->x + window->model.width;
    rect->bottom = window->y + window->model.height;
    return true;
}

void GetScreenSize(int* width, int* height) {
    std::lock_guard<std::mutex> guard(g_lock);
    Start();
    ScreenSize(width, height);
}

void MoveWindowToTop(WindowHandle window, int x, int y) {
    std::lock_guard<std::mutex> guard(g_lock);
    if (!IsLive(window)) return;
    window->x = x;
    window->y = y;
    window->placed = true;
    window->order = ++g_order;
    Compose();
}

bool RegisterProgramWindowClass(InstanceHandle) {
    std::lock_guard<std::mutex> guard(g_lock);
    Start();
    return true;
}

void RegisterCommonControls() {}
