// The TFTP listener: binds the first free UDP port from 69 on the chosen
// local address, then, on the listener thread behind the waiting dialog,
// waits for a read request for exactly the upgrade file name, to be served
// by the transfer session on the same socket.
#pragma once

#include <cstdint>

#include "common/outcome.h"
#include "platform/platform.h"
#include "tftp/stage_handover.h"
#include "tftp/tftp_packets.h"
#include "tftp/transfer_view.h"

// One per run, zero-filled; lives until the listener thread has ended.
struct TftpListener {
    std::uint32_t localAddress;  // host order: the chosen local address
    std::uint16_t port;          // 69 to 168: the port the bind accepted
    SocketHandle socket;         // shared with the transfer session
    TftpPacket datagram;         // the datagram last received
    unsigned waitingBarPosition; // the waiting dialog's cycling bar, 0 to 999: a step a millisecond
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
// How often the waiting dialog's bar is redrawn: it shows activity, not
// progress, and the listener sleeps in between.
constexpr std::uint32_t kWaitingRedrawMs = 100;

// Creates the socket and binds it to the first free port from 69 on the
// local address, before the listener thread starts: a request that comes
// early is queued. ListenerSocket or ListenerBind when that fails.
Outcome OpenTftpListener(std::uint32_t localAddress, TftpListener* listener);
// Closes the listener's socket.
void CloseTftpListener(TftpListener* listener);

// Shows the waiting dialog and polls the socket until a read request for the
// upgrade file name (as published at that moment) arrives; every other
// datagram is dropped unanswered. Closes the dialog and returns Continue
// with the request, or UserAbort when the user cancelled the dialog, or
// NoRequest when limitMs passed without the request (0: no limit; a front
// end without a Cancel button sets one).
Outcome WaitForMatchingRequest(TftpListener* listener, const StageHandOver& handOver, TransferView& view,
                               TftpRequest* request, std::uint32_t limitMs = 0);
