// The terminal front end's windows: allocation, stacking, placement on the
// screen, and showing a new dialog in either mode.
#include "platform/posix/terminal/terminal_state.h"

#include "common/text.h"
#include "platform/platform.h"
#include "console/dialog_layout.h"
#include "platform/posix/terminal/line_mode.h"
#include "platform/posix/terminal/screen_mode.h"
#include "platform/posix/terminal/terminal_screen.h"

namespace {

constexpr int kLineModeColumns = 80;
constexpr int kLineModeRows = 24;

}  // namespace

bool IsLive(const TerminalUi& ui, const PlatformWindow* window) {
    return window >= ui.windows && window < ui.windows + kMaxWindows && window->inUse;
}

PlatformWindow* Topmost(TerminalUi* ui) {
    PlatformWindow* top = nullptr;
    for (PlatformWindow& window : ui->windows)
        if (window.inUse && window.visible && (top == nullptr || window.order > top->order)) top = &window;
    return top;
}

PlatformWindow* LineTaker(TerminalUi* ui) {
    PlatformWindow* taker = nullptr;
    for (PlatformWindow& window : ui->windows)
        if (window.inUse && window.awaitingLine && (taker == nullptr || window.order > taker->order))
            taker = &window;
    return taker;
}

PlatformWindow* Allocate(TerminalUi* ui, WindowKind kind) {
    for (PlatformWindow& window : ui->windows) {
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
        window.context = nullptr;
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

ControlState* FindControl(TerminalUi* ui, PlatformWindow* window, int controlId) {
    if (!IsLive(*ui, window)) return nullptr;
    int index = FindControlIndex(window->model, controlId);
    return index >= 0 ? &window->model.controls[index] : nullptr;
}

void ScreenSize(const TerminalUi& ui, int* columns, int* rows) {
    if (ui.mode == Mode::Screen) {
        GetScreenCells(columns, rows);
    } else {
        *columns = kLineModeColumns;
        *rows = kLineModeRows;
    }
}

void LayOut(TerminalUi* ui, PlatformWindow* window) {
    int oldWidth = window->model.width, oldHeight = window->model.height;
    int columns = 0, rows = 0;
    ScreenSize(*ui, &columns, &rows);
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

void Show(TerminalUi* ui, PlatformWindow* window) {
    window->visible = true;
    // A full repaint with each new dialog also wipes anything other code
    // wrote to the terminal meanwhile (trace lines, a tool's own output).
    ui->screen.redrawAll = true;
    window->order = ++ui->order;
    LayOut(ui, window);
    if (ui->mode == Mode::Lines) {
        PrintDialog(&ui->lines, window);
        window->reportedAt = MillisecondClock();
        CopyText(window->reportedTitle, sizeof window->reportedTitle, window->model.title);
    }
    Compose(ui);
}
