// Input handed over between threads. Keys and answers go to the topmost
// dialog and are read only by the thread that created it, when it pumps
// that dialog or runs its modal loop; a thread that waits for anything else
// watches the input too, so that it can pump as soon as input is its own.
#include "platform/posix/terminal/input_handover.h"

#include <poll.h>
#include <unistd.h>

#include "platform/posix/terminal/line_mode.h"
#include "platform/posix/terminal/screen_mode.h"
#include "platform/posix/terminal/terminal_restore.h"

namespace {

void DrainWakePipe(const InputHandOver& handOver) {
    char bytes[16];
    while (::read(handOver.wakePipe[0], bytes, sizeof bytes) > 0) {
    }
}

}  // namespace

int InputDescriptor(TerminalUi* ui) {
    std::lock_guard<std::mutex> guard(ui->lock);
    if (ui->ended.load() || ui->mode == Mode::Unset) return -1;
    std::thread::id me = std::this_thread::get_id();
    if (ui->mode == Mode::Lines) {
        PlatformWindow* taker = LineTaker(ui);
        if (taker != nullptr) return taker->owner == me && !ui->lines.inputEnded ? STDIN_FILENO : -1;
    }
    PlatformWindow* top = Topmost(ui);
    if (top == nullptr || top->owner != me) return -1;
    int ready = ui->handOver.readyPipe[0];
    if (InterruptPending()) return ready;
    if (ui->mode == Mode::Screen) return ui->screen.keyCount > 0 ? ready : STDIN_FILENO;
    if (top->kind != WindowKind::Modeless) return -1;
    if (CancelWordWaiting(&ui->lines)) return ready;
    return ui->lines.inputEnded || ui->lines.inputLength >= kInputBufferSize ? -1 : STDIN_FILENO;
}

void WaitFor(TerminalUi* ui, int descriptor, int timeoutMs) {
    pollfd waits[2];
    int count = 0;
    waits[count++] = pollfd{ui->handOver.wakePipe[0], POLLIN, 0};
    if (descriptor >= 0) waits[count++] = pollfd{descriptor, POLLIN, 0};
    ::poll(waits, static_cast<nfds_t>(count), timeoutMs);
    if (waits[0].revents & POLLIN) DrainWakePipe(ui->handOver);
}

bool DeliverOneInput(TerminalUi* ui, PlatformWindow* only) {
    std::unique_lock<std::mutex> lock(ui->lock);
    if (ui->ended.load()) return false;
    PlatformWindow* target = Topmost(ui);
    if (target == nullptr || target->owner != std::this_thread::get_id()) return false;
    if (only != nullptr && target != only) return false;
    int command = 0;
    bool taken = ui->mode == Mode::Lines ? TakeLineCommand(ui, target, &command)
                                         : TakeScreenCommand(ui, target, &command);
    if (!taken) return false;
    if (command != 0) DeliverCommand(lock, target, command);
    return true;
}

void DeliverCommand(std::unique_lock<std::mutex>& lock, PlatformWindow* window, int command) {
    if (window->kind == WindowKind::MessageBox) {
        window->ended = true;
        window->result = command;
        return;
    }
    DialogProcedure procedure = window->procedure;
    if (procedure == nullptr) return;
    lock.unlock();
    procedure(window, kMessageCommand, static_cast<std::uintptr_t>(command), 0);
    lock.lock();
}
