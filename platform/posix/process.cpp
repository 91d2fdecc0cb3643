// The end of the process and the trace output on POSIX.
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "platform/posix/posix_hooks.h"
#include "platform/posix/privileged_ports.h"

namespace {
std::atomic<InputDescriptorFunction> g_inputDescriptor{nullptr};
std::atomic<ProcessEndHook> g_processEndHook{nullptr};
}  // namespace

void SetInputDescriptorFunction(InputDescriptorFunction function) { g_inputDescriptor.store(function); }

int CurrentInputDescriptor() {
    InputDescriptorFunction function = g_inputDescriptor.load();
    return function != nullptr ? function() : -1;
}

void SetProcessEndHook(ProcessEndHook hook) { g_processEndHook.store(hook); }

void RunProcessEndHook() {
    ProcessEndHook hook = g_processEndHook.exchange(nullptr);
    if (hook != nullptr) hook();
}

void EndProcess(int exitCode) {
    RunProcessEndHook();
    // After the terminal is back, below the process's own last message.
    WritePrivilegedPortHint();
    std::fflush(stdout);
    std::fflush(stderr);
    // Other threads may still be blocked on a silent device: end them with
    // the process at once rather than running static destructors under them.
    std::_Exit(exitCode);
}

void WriteTraceText(const char* text) {
    ssize_t ignored = ::write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}
