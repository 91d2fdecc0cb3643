// The full-screen mode: composing the dialogs into the picture that curses
// puts on the terminal, the keys read ahead, a changed terminal size, and
// the modal loop.
#include "platform/posix/terminal/screen_mode.h"

#include <cstring>

#include "common/shown_text.h"
#include "console/dialog_layout.h"
#include "platform/posix/terminal/input_handover.h"
#include "platform/posix/terminal/terminal_restore.h"
#include "platform/posix/terminal/terminal_screen.h"

namespace {

constexpr int kModalWaitMs = 100;

// The visible windows, bottom to top.
int StackingOrder(TerminalUi* ui, PlatformWindow** sorted) {
    int count = 0;
    for (PlatformWindow& window : ui->windows) {
        if (!window.inUse || !window.visible) continue;
        int j = count++;
        while (j > 0 && sorted[j - 1]->order > window.order) {
            sorted[j] = sorted[j - 1];
            --j;
        }
        sorted[j] = &window;
    }
    return count;
}

void RedrawAll(TerminalUi* ui) {
    ui->screen.redrawAll = true;
    Compose(ui);
}

// Every dialog laid out for the new size, and centred again.
void OnResize(TerminalUi* ui) {
    int columns = 0, rows = 0;
    ScreenSize(*ui, &columns, &rows);
    for (PlatformWindow& window : ui->windows) {
        if (!window.inUse) continue;
        LayOutDialog(&window.model, columns, rows);
        window.x = (columns - window.model.width) >> 1;
        window.y = (rows - window.model.height) >> 1;
    }
    RedrawAll(ui);
}

// Reads what keys wait into the queue; a changed size or Ctrl-L is acted on at once.
void ReadKeysAhead(TerminalUi* ui) {
    ScreenState& screen = ui->screen;
    KeyPress key;
    while (screen.keyCount < kKeyQueueSize) {
        ScreenInput input = ReadScreenKey(&key);
        if (input == ScreenInput::None) break;
        if (input == ScreenInput::Resized) OnResize(ui);
        if (input == ScreenInput::Redraw) RedrawAll(ui);
        if (input == ScreenInput::Key && key.code != KeyCode::None) screen.keys[screen.keyCount++] = key;
    }
}

}  // namespace

void Compose(TerminalUi* ui) {
    if (ui->mode != Mode::Screen || ui->ended.load()) return;
    ScreenGrid& grid = ui->screen.grid;
    int columns = 0, rows = 0;
    GetScreenCells(&columns, &rows);
    ClearGrid(&grid, columns, rows, ProcessCharacterSet());
    PlatformWindow* sorted[kMaxWindows];
    int count = StackingOrder(ui, sorted);
    for (int i = 0; i < count; ++i) {
        DialogModel& model = sorted[i]->model;
        // Kept on the screen where it fits; a dialog larger than the screen
        // shows its top-left part, title first.
        int left = sorted[i]->x, top = sorted[i]->y;
        if (left + model.width > columns) left = columns - model.width;
        if (top + model.height > rows - 1) top = rows - 1 - model.height;
        model.left = left < 0 ? 0 : left;
        model.top = top < 0 ? 0 : top;
        DrawDialog(model, i == count - 1, &grid);
    }
    if (count > 0) DrawKeyHelp(sorted[count - 1]->model, &grid);
    ShowGrid(grid, ui->screen.redrawAll);
    ui->screen.redrawAll = false;
}

bool TakeScreenCommand(TerminalUi* ui, PlatformWindow* target, int* command) {
    if (TakeInterrupt()) {
        *command = kCommandCancel;
        return true;
    }
    ScreenState& screen = ui->screen;
    if (screen.keyCount == 0) ReadKeysAhead(ui);
    if (screen.keyCount == 0) return false;
    KeyPress key = screen.keys[0];
    --screen.keyCount;
    std::memmove(screen.keys, screen.keys + 1, sizeof(KeyPress) * static_cast<std::size_t>(screen.keyCount));
    *command = HandleKey(&target->model, key);
    Compose(ui);
    return true;
}

void RunScreenLoop(TerminalUi* ui, PlatformWindow* window) {
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(ui->lock);
            if (window->ended || ui->ended.load()) return;
        }
        if (DeliverOneInput(ui, nullptr)) continue;
        WaitFor(ui, InputDescriptor(ui), kModalWaitMs);
    }
}
