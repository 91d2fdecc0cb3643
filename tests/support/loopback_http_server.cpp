// The scripted loopback HTTP server of the tests, on the platform layer's
// sockets and a standard thread, so that it runs the same on POSIX and Windows.
#include "tests/support/loopback_http_server.h"

#include <chrono>

namespace {

constexpr int kFirstPortAttempts = 500;
constexpr std::size_t kMaxRequestBytes = 65536;
constexpr unsigned kPollSliceMs = 20;

using Clock = std::chrono::steady_clock;

bool TimeIsUp(Clock::time_point start, unsigned limitMs) {
    return Clock::now() - start >= std::chrono::milliseconds(limitMs);
}

void SendAll(SocketHandle connection, const char* data, std::size_t length) {
    while (length > 0) {
        int sent = SendBytes(connection, data, static_cast<int>(length));
        if (sent <= 0) return;
        data += sent;
        length -= static_cast<std::size_t>(sent);
    }
}

}  // namespace

LoopbackHttpServer::~LoopbackHttpServer() { Stop(); }

bool LoopbackHttpServer::Start(std::uint16_t firstPort) {
    if (!StartSocketLibrary()) return false;
    for (int i = 0; i < kFirstPortAttempts && listener_ == kInvalidSocket; ++i) {
        std::uint16_t port = static_cast<std::uint16_t>(firstPort + i);
        SocketHandle socket = OpenTcpSocket();
        if (socket == kInvalidSocket) return false;
        SocketAddress address;
        FillSocketAddress(kLoopbackAddress, port, &address);
        // A connection a test's device closed first lingers on the port.
        AllowPortReuse(socket);
        if (BindSocket(socket, address) && ListenOnSocket(socket)) {
            listener_ = socket;
            port_ = port;
        } else {
            CloseSocket(socket);
        }
    }
    if (listener_ == kInvalidSocket) return false;
    stopping_.store(false);
    thread_ = std::thread(&LoopbackHttpServer::Serve, this);
    return true;
}

void LoopbackHttpServer::Stop() {
    stopping_.store(true);
    if (thread_.joinable()) thread_.join();
    if (listener_ != kInvalidSocket) {
        CloseSocket(listener_);
        listener_ = kInvalidSocket;
    }
}

void LoopbackHttpServer::Enqueue(const ScriptedReply& reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    replies_.push_back(reply);
}

void LoopbackHttpServer::Enqueue(const std::string& bytes, ReplyEnding ending) {
    ScriptedReply reply;
    reply.bytes = bytes;
    reply.ending = ending;
    Enqueue(reply);
}

std::vector<RecordedRequest> LoopbackHttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::size_t LoopbackHttpServer::RequestCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.size();
}

bool LoopbackHttpServer::WaitForFinishedConnections(std::size_t count, unsigned timeoutMs) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return finished_ >= count; });
}

void LoopbackHttpServer::Serve() {
    while (!Stopping()) {
        SocketAddress peer;
        SocketHandle connection = AcceptConnection(listener_, kPollSliceMs, &peer);
        if (connection == kInvalidSocket) continue;
        Answer(connection, peer);
        CloseSocket(connection);
        std::lock_guard<std::mutex> lock(mutex_);
        ++finished_;
        changed_.notify_all();
    }
}

void LoopbackHttpServer::Answer(SocketHandle connection, const SocketAddress& peer) {
    RecordedRequest request;
    ReadSocketAddress(peer, &request.peerAddress, &request.peerPort);
    request.peerClosedFirst = false;

    // The request: everything up to the empty line that ends its header.
    Clock::time_point start = Clock::now();
    char chunk[4096];
    while (request.bytes.find("\r\n\r\n") == std::string::npos && request.bytes.size() < kMaxRequestBytes &&
           !Stopping() && !TimeIsUp(start, holdLimitMs_.load())) {
        if (!WaitForSocketReadable(connection, kPollSliceMs)) continue;
        int received = ReceiveBytes(connection, chunk, static_cast<int>(sizeof chunk));
        if (received <= 0) {
            request.peerClosedFirst = true;
            break;
        }
        request.bytes.append(chunk, static_cast<std::size_t>(received));
    }

    ScriptedReply reply;
    bool haveReply = false;
    std::size_t index;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        index = requests_.size();
        requests_.push_back(request);
        if (!replies_.empty()) {
            reply = replies_.front();
            replies_.pop_front();
            haveReply = true;
        }
        changed_.notify_all();
    }
    if (!haveReply || request.peerClosedFirst) return;

    if (reply.ending != ReplyEnding::kStaySilent) {
        std::size_t piece = reply.pieceSize == 0 ? reply.bytes.size() : reply.pieceSize;
        for (std::size_t offset = 0; offset < reply.bytes.size(); offset += piece) {
            std::size_t length = reply.bytes.size() - offset < piece ? reply.bytes.size() - offset : piece;
            SendAll(connection, reply.bytes.data() + offset, length);
            if (reply.pieceSize != 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    if (reply.ending == ReplyEnding::kCloseAfter) return;
    bool closed = Hold(connection);
    std::lock_guard<std::mutex> lock(mutex_);
    requests_[index].peerClosedFirst = closed;
}

// Holds the connection until the client closes it (true), the hold limit
// passes or the server stops (false). Bytes the client sends meanwhile are read and dropped.
bool LoopbackHttpServer::Hold(SocketHandle connection) {
    Clock::time_point start = Clock::now();
    char chunk[4096];
    while (!Stopping() && !TimeIsUp(start, holdLimitMs_.load())) {
        if (!WaitForSocketReadable(connection, kPollSliceMs)) continue;
        if (ReceiveBytes(connection, chunk, static_cast<int>(sizeof chunk)) <= 0) return true;
    }
    return false;
}
