// The TFTP server's datagrams, waits and clock over the platform layer.
#include "tftp/tftp_transport.h"

int ReceiveTftpDatagram(SocketHandle socket, TftpPacket packet, SocketAddress* from) {
    return ReceiveDatagram(socket, packet, kTftpDatagramSize, from);
}

int SendTftpDatagram(SocketHandle socket, const TftpPacket packet, int length, const SocketAddress& to) {
    return SendDatagram(socket, packet, length, to);
}

int WaitForTftpEvent(SocketHandle socket, unsigned timeoutMs) { return WaitForSocketOrInput(socket, timeoutMs); }

int WaitForTftpInput(unsigned timeoutMs) { return WaitForInput(timeoutMs); }

std::uint32_t TftpClock() { return MillisecondClock(); }
