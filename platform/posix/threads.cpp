// POSIX threads with an integer result. A thread's end is signalled through
// a pipe, so a waiter can sleep in poll() on it together with keyboard input,
// and learning that a thread ended never depends on the value it returned.
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <new>

#include "platform/platform.h"
#include "platform/posix/posix_hooks.h"

struct PlatformThread {
    pthread_t thread;
    ThreadProcedure procedure;
    void* argument;
    int result;                 // written before `ended` is set
    std::atomic<bool> ended;
    int endPipe[2];             // the thread writes one byte when it ends
    // The thread and its handle's holder: once the holder has let the
    // thread go on alone (DetachThread), whichever of the two is done last
    // frees the record and its pipe.
    std::atomic<int> holders;
};

namespace {

void FreeThreadRecord(PlatformThread* thread) {
    ::close(thread->endPipe[0]);
    ::close(thread->endPipe[1]);
    delete thread;
}

void* RunThread(void* raw) {
    PlatformThread* thread = static_cast<PlatformThread*>(raw);
    thread->result = thread->procedure(thread->argument);
    thread->ended.store(true, std::memory_order_release);
    char byte = 1;
    ssize_t ignored = ::write(thread->endPipe[1], &byte, 1);
    (void)ignored;
    if (thread->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) FreeThreadRecord(thread);
    return nullptr;
}

}  // namespace

ThreadHandle StartThread(ThreadProcedure procedure, void* argument) {
    PlatformThread* thread = new (std::nothrow) PlatformThread();
    if (thread == nullptr) return nullptr;
    thread->procedure = procedure;
    thread->argument = argument;
    thread->holders.store(2);
    if (::pipe2(thread->endPipe, O_CLOEXEC) != 0) {
        delete thread;
        return nullptr;
    }
    if (::pthread_create(&thread->thread, nullptr, RunThread, thread) != 0) {
        ::close(thread->endPipe[0]);
        ::close(thread->endPipe[1]);
        delete thread;
        return nullptr;
    }
    return thread;
}

bool ThreadHasEnded(ThreadHandle thread, int* result) {
    if (!thread->ended.load(std::memory_order_acquire)) return false;
    *result = thread->result;
    return true;
}

void WaitForThreadOrInput(ThreadHandle thread, unsigned timeoutMs) {
    if (thread->ended.load(std::memory_order_acquire)) return;
    pollfd waits[2];
    int count = 0;
    waits[count++] = pollfd{thread->endPipe[0], POLLIN, 0};
    int input = CurrentInputDescriptor();
    if (input >= 0) waits[count++] = pollfd{input, POLLIN, 0};
    ::poll(waits, static_cast<nfds_t>(count), static_cast<int>(timeoutMs));
}

void ReleaseThread(ThreadHandle thread) {
    ::pthread_join(thread->thread, nullptr);
    FreeThreadRecord(thread);
}

void DetachThread(ThreadHandle thread) {
    ::pthread_detach(thread->thread);
    if (thread->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) FreeThreadRecord(thread);
}
