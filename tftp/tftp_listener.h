// The TFTP listener: binds the first free UDP port from 69 on the chosen
// local address, then, on a thread of its own behind the waiting dialog,
// waits for a read request for exactly the upgrade file name and hands it
// to the transfer session on the same socket.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "tftp/redraw_pace.h"
#include "tftp/tftp_packets.h"

// One per run: allocated zero-filled by StartTftpListener, lives until the
// process ends.
struct TftpListener {
    std::uint32_t localAddress;  // host order: the chosen local address
    std::uint16_t port;          // 69 to 168: the port the bind accepted
    SocketHandle socket;         // shared with the transfer session
    TftpPacket datagram;         // the datagram last received
    unsigned waitingBarPosition; // the waiting dialog's cycling bar, 0 to 999: a step per idle poll
    RedrawPace waitingBarRedraw; // when the bar was last shown at its position
};

// The sender and the name of an accepted read request.
struct TftpRequest {
    std::uint32_t address;  // host order
    std::uint16_t port;
    char fileName[kTftpFileNameSize];
};

constexpr std::uint16_t kTftpFirstPort = 69;
constexpr int kTftpPortAttempts = 100;  // ports 69 to 168, none above
constexpr unsigned kWaitingBarSteps = 1000;

// Binds the socket and starts the listener thread; returns the bound port.
// Each failure shows its message and ends the process with exit code 0.
std::uint16_t StartTftpListener(std::uint32_t localAddress);

// The thread procedure, given the TftpListener. It never returns: after the
// target stage's session it closes the socket and ends the process.
int TftpListenerThread(void* listener);

// Shows the waiting dialog and polls the socket until a read request for the
// upgrade file name (as published at that moment) arrives; every other
// datagram is dropped unanswered. Destroys the dialog and returns the request.
void WaitForMatchingRequest(TftpListener* listener, TftpRequest* request);
