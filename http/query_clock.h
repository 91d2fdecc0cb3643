// The device query runner's contact with time: its clock, and the wait for
// its worker or the user's input. Kept apart in one object so that the tests
// can link a fake clock in its place (tests/support/fake_query_clock.cpp)
// and see the runner's timing without waiting for it.
#pragma once

#include <cstdint>

#include "platform/platform.h"

std::uint32_t QueryClock();
// Sleeps up to timeoutMs until the worker ends or input comes to the calling
// thread's dialogs (WaitForThreadOrInput); with no worker, for input alone.
void WaitForWorkerOrInput(ThreadHandle worker, unsigned timeoutMs);
