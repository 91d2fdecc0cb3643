// A scripted HTTP server on a loopback port, standing in for the device's
// web server in the tests. It answers one connection at a time with the next
// reply from its queue, records every request byte for byte, and can close
// after a reply, keep the connection open, or stay silent.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

constexpr std::uint32_t kLoopbackAddress = 0x7F000001;  // 127.0.0.1, host order

// What the server does with a connection once it has read the request.
enum class ReplyEnding {
    kCloseAfter,  // send the reply, then close
    kKeepOpen,    // send the reply and hold the connection until the client closes
    kStaySilent,  // send nothing and hold the connection until the client closes
};

struct ScriptedReply {
    std::string bytes;
    ReplyEnding ending = ReplyEnding::kCloseAfter;
    // 0: the reply goes out in one send; otherwise in pieces of this many
    // bytes with a short pause between them, to split it across receives.
    std::size_t pieceSize = 0;
};

struct RecordedRequest {
    std::string bytes;           // as received, up to and including the empty line
    std::uint32_t peerAddress;   // host order
    std::uint16_t peerPort;
    bool peerClosedFirst;        // the client closed while the server held the connection
};

class LoopbackHttpServer {
public:
    LoopbackHttpServer() = default;
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    // Listens on the first free port of 127.0.0.1 from firstPort (up to 500
    // ports are tried) and starts answering. False when no port was free.
    bool Start(std::uint16_t firstPort = 41000);
    // Ends the server: held connections are closed, the thread joined.
    void Stop();
    std::uint16_t Port() const { return port_; }

    // Queues the reply for the next connection. A connection that finds the
    // queue empty is closed without a reply.
    void Enqueue(const ScriptedReply& reply);
    void Enqueue(const std::string& bytes, ReplyEnding ending = ReplyEnding::kCloseAfter);
    // A held connection (kKeepOpen, kStaySilent) and the reading of a request
    // end at the latest after this long, so a client that waits for the
    // close always gets it. Default 10 seconds.
    void SetHoldLimit(unsigned milliseconds) { holdLimitMs_.store(milliseconds); }

    // The requests received so far, in order.
    std::vector<RecordedRequest> Requests() const;
    std::size_t RequestCount() const;
    // Waits until count connections have been finished and closed by the
    // server (their records complete), at most timeoutMs; false on timeout.
    bool WaitForFinishedConnections(std::size_t count, unsigned timeoutMs) const;

private:
    void Serve();
    void Answer(SocketHandle connection, const SocketAddress& peer);
    bool Hold(SocketHandle connection);
    bool Stopping() const { return stopping_.load(); }

    SocketHandle listener_ = kInvalidSocket;
    std::uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<unsigned> holdLimitMs_{10000};

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::deque<ScriptedReply> replies_;
    std::vector<RecordedRequest> requests_;
    std::size_t finished_ = 0;
};
