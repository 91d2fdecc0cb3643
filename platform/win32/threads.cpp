// Win32 threads with an integer result, sleeping and the millisecond clock.
// A thread has ended when its handle is signalled; its exit code is read
// only then, so a thread that returns 259 (STILL_ACTIVE) still counts as
// ended.
#include "platform/win32/windows_headers.h"

#include <new>

#include "platform/platform.h"

struct PlatformThread {
    HANDLE handle;
};

namespace {

// What the new thread needs to start; it owns the record and frees it, so
// the caller may give up its handle at once.
struct ThreadStart {
    ThreadProcedure procedure;
    void* argument;
};

DWORD WINAPI RunThread(LPVOID raw) {
    ThreadStart* start = static_cast<ThreadStart*>(raw);
    ThreadProcedure procedure = start->procedure;
    void* argument = start->argument;
    delete start;
    return static_cast<DWORD>(procedure(argument));
}

}  // namespace

ThreadHandle StartThread(ThreadProcedure procedure, void* argument) {
    PlatformThread* thread = new (std::nothrow) PlatformThread();
    ThreadStart* start = new (std::nothrow) ThreadStart{procedure, argument};
    if (thread == nullptr || start == nullptr) {
        delete thread;
        delete start;
        return nullptr;
    }
    DWORD identifier = 0;
    thread->handle = ::CreateThread(nullptr, 0, RunThread, start, 0, &identifier);
    if (thread->handle == nullptr) {
        delete start;
        delete thread;
        return nullptr;
    }
    return thread;
}

bool ThreadHasEnded(ThreadHandle thread, int* result) {
    if (::WaitForSingleObject(thread->handle, 0) != WAIT_OBJECT_0) return false;
    DWORD exitCode = 0;
    ::GetExitCodeThread(thread->handle, &exitCode);
    *result = static_cast<int>(exitCode);
    return true;
}

void WaitForThreadOrInput(ThreadHandle thread, unsigned timeoutMs) {
    // Only input that is new since the thread last looked at its queue ends
    // the wait early (no MWMO_INPUTAVAILABLE): a message the dialog's pump
    // never takes (a thread message, one for another window) would otherwise
    // end every wait at once, and the polling loop would spin.
    ::MsgWaitForMultipleObjectsEx(1, &thread->handle, timeoutMs, QS_ALLINPUT, 0);
}

void ReleaseThread(ThreadHandle thread) {
    ::WaitForSingleObject(thread->handle, INFINITE);
    ::CloseHandle(thread->handle);
    delete thread;
}

void DetachThread(ThreadHandle thread) {
    ::CloseHandle(thread->handle);
    delete thread;
}

void SleepMilliseconds(unsigned milliseconds) { ::Sleep(milliseconds); }

std::uint32_t MillisecondClock() { return ::timeGetTime(); }
