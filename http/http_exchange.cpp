// The HTTP exchange with the device: connection, request, reply, and the
// status-page fields.
#include "http/http_exchange.h"

#include <cstring>

#include "common/text.h"
#include "common/trace.h"
#include "http/reply_framing.h"

const char kHttpHostValue[] = "192.168.254.254";

SocketHandle ConnectToDevice(std::uint32_t localAddress, std::uint16_t localPortBase, std::uint32_t deviceAddress,
                             std::uint16_t devicePort, Outcome* failure, ConnectFailure* why) {
    *failure = Outcome::Continue;
    *why = ConnectFailure::None;
    SocketHandle socket = OpenTcpSocket();
    if (socket == kInvalidSocket) {
        *failure = Outcome::HttpSocketOpen;
        return kInvalidSocket;
    }

    SocketAddress address;
    bool bound = false;
    // The range stops at the last port rather than wrap to port 0 ("any").
    for (int i = 0; i < kLocalPortAttempts && !bound && localPortBase + i <= 65535; ++i) {
        FillSocketAddress(localAddress, static_cast<std::uint16_t>(localPortBase + i), &address);
        bound = BindSocket(socket, address);
    }
    if (!bound) {
        CloseSocket(socket);
        *failure = Outcome::HttpSocketBind;
        return kInvalidSocket;
    }

    FillSocketAddress(deviceAddress, devicePort, &address);
    if (!ConnectSocket(socket, address, why)) {
        CloseSocket(socket);
        return kInvalidSocket;
    }
    return socket;
}

int HttpGet(HttpExchange* exchange) {
    DigestState* digest = &exchange->digest;
    char* buffer = exchange->reply;
    const int size = kReceiveLimit;
    exchange->fieldsFound = 0;
    SocketHandle socket = ConnectToDevice(exchange->localAddress, exchange->localPortBase, exchange->deviceAddress,
                                          exchange->devicePort, &exchange->failure, &exchange->connectFailure);
    buffer[0] = '\0';
    if (exchange->failure != Outcome::Continue) return 0;

    // The request is composed in the reply buffer, also when the connection
    // failed (the nonce count then still moves on).
    std::size_t capacity = static_cast<std::size_t>(size) + 1;
    FormatText(buffer, capacity, "GET %s HTTP/1.1\r\nHost: %s\r\n", exchange->path, kHttpHostValue);
    if (digest->password[0] != '\0') {
        ++digest->nonceCount;
        CopyText(digest->uri, sizeof digest->uri, exchange->path);
        std::size_t used = std::strlen(buffer);
        BuildAuthorization(digest, buffer + used, capacity - used);
    }
    AppendText(buffer, capacity, "\r\n");

    if (socket == kInvalidSocket) return 0;

    Trace("%s", buffer);
    SendBytes(socket, buffer, static_cast<int>(std::strlen(buffer)));

    // Read until the device closes, the connection fails, the buffer is full,
    // or the reply is complete by its own framing (a device that keeps the
    // connection open would otherwise hold the exchange for ever).
    ReplyFraming framing;
    StartReplyFraming(&framing);
    int total = 0;
    bool complete = false;
    bool deviceClosed = false;
    buffer[0] = '\0';
    while (total < size && !complete) {
        int received = ReceiveBytes(socket, buffer + total, size - total);
        if (received <= 0) {
            deviceClosed = true;
            break;
        }
        total += received;
        buffer[total] = '\0';
        complete = ReplyIsComplete(&framing, buffer, static_cast<std::size_t>(total));
    }
    Trace("recv done\n");
    Trace("%s", buffer);
    Trace("\n");

    // The class is that of the final reply: interim (1xx) replies before it
    // announce nothing, and a challenge behind a "100 Continue" is a challenge.
    int replyClass = ClassifyHttpReply(buffer + framing.replyStart, digest);
    // When reading stopped before the device closed (the reply was complete
    // by its framing, or filled the buffer), we close first, and with a
    // reset: an orderly close would leave the local port in TIME_WAIT, which
    // Windows binds again for the next exchange with the device and then
    // cannot connect to the same peer.
    if (deviceClosed) {
        CloseSocket(socket);
    } else {
        ResetConnection(socket);
    }
    if (replyClass == kReplyChallengeAccepted) return -1;
    if (total > 0) exchange->fieldsFound = ExtractPageFields(buffer, &exchange->fields);
    return total;
}
