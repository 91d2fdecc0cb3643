// The HTTP exchange with the device: connection, request, reply, and the
// status-page fields.
#include "http/http_exchange.h"

#include <cstring>

#include "common/text.h"
#include "common/trace.h"
#include "http/digest.h"
#include "http/reply_framing.h"
#include "ui/dialog_texts.h"
#include "ui/error_box.h"

const char kHttpHostValue[] = "192.168.254.254";

namespace {

// The status-page labels, searched in this order, and the fields they fill.
struct PageLabel {
    const char* label;
    char* (*field)(PageFields* fields);
};

const PageLabel kPageLabels[] = {
    {"Product Name:", [](PageFields* fields) { return fields->productName; }},
    {"MAC Address:", [](PageFields* fields) { return fields->macAddress; }},
    {"Software Version:", [](PageFields* fields) { return fields->softwareVersion; }},
    {"Hardware Version:", [](PageFields* fields) { return fields->hardwareVersion; }},
    {"Serial Number:", [](PageFields* fields) { return fields->serialNumber; }},
};

[[noreturn]] void FailUpgrade(const char* text) {
    ShowUpgradeError(text, nullptr);
    EndProcess(0);
}

}  // namespace

SocketHandle ConnectToDevice(std::uint32_t localAddress, std::uint16_t localPortBase, std::uint32_t deviceAddress,
                             std::uint16_t devicePort) {
    SocketHandle socket = OpenTcpSocket();
    if (socket == kInvalidSocket) FailUpgrade(kFailOpenHttpSocket);

    SocketAddress address;
    bool bound = false;
    // The range stops at the last port rather than wrap to port 0 ("any").
    for (int i = 0; i < kLocalPortAttempts && !bound && localPortBase + i <= 65535; ++i) {
        FillSocketAddress(localAddress, static_cast<std::uint16_t>(localPortBase + i), &address);
        bound = BindSocket(socket, address);
    }
    if (!bound) FailUpgrade(kFailBindHttpSocket);

    FillSocketAddress(deviceAddress, devicePort, &address);
    if (!ConnectSocket(socket, address)) {
        CloseSocket(socket);
        return kInvalidSocket;
    }
    return socket;
}

int HttpGet(std::uint32_t localAddress, std::uint16_t localPortBase, std::uint32_t deviceAddress,
            std::uint16_t devicePort, const char* path, char* buffer, int size) {
    DigestState* digest = &g_upgrade.digest;
    SocketHandle socket = ConnectToDevice(localAddress, localPortBase, deviceAddress, devicePort);

    // The request is composed in the receive buffer, also when the
    // connection failed (the nonce count then still moves on).
    std::size_t capacity = static_cast<std::size_t>(size) + 1;
    FormatText(buffer, capacity, "GET %s HTTP/1.1\r\nHost: %s\r\n", path, kHttpHostValue);
    if (digest->password[0] != '\0') {
        ++digest->nonceCount;
        CopyText(digest->uri, sizeof digest->uri, path);
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
    if (total > 0) {
        for (const PageLabel& label : kPageLabels) {
            ExtractPageField(buffer, label.label, label.field(&g_upgrade.pageFields), kPageFieldSize - 1);
        }
    }
    return total;
}
