// The base of every layer: the opaque handles that cross from the platform
// layer into the portable code, declared here so that records anywhere can
// hold them without including the platform's headers. Depends on nothing.
#pragma once

#include <cstdint>

// Module instance of the running program (an HINSTANCE on Windows, unused
// elsewhere). Only passed through to the dialog operations.
typedef void* InstanceHandle;

// A socket of the platform's socket layer.
typedef std::uintptr_t SocketHandle;
constexpr SocketHandle kInvalidSocket = ~static_cast<SocketHandle>(0);

// A thread started by the platform layer.
struct PlatformThread;
typedef PlatformThread* ThreadHandle;

// A window of the platform's user interface: a dialog or a message box.
struct PlatformWindow;
typedef PlatformWindow* WindowHandle;
