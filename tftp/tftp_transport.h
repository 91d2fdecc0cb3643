// The TFTP server's whole contact with the network and the clock: datagrams
// on the listener's socket, the waits between them, and the millisecond
// clock. Kept apart in one object so that the TFTP tests can link a
// scripted peer with a fake clock in its place
// (tests/support/fake_tftp_transport.h) and run transfers, retransmissions
// and the reboot wait without waiting for them.
#pragma once

#include <cstdint>

#include "common/socket_address.h"
#include "platform/platform.h"
#include "tftp/tftp_packets.h"

// One datagram of at most kTftpDatagramSize bytes into the packet; -1 when
// none is waiting, on any receive error, and for a longer datagram (which is
// dropped, never cut).
int ReceiveTftpDatagram(SocketHandle socket, TftpPacket packet, SocketAddress* from);
int SendTftpDatagram(SocketHandle socket, const TftpPacket packet, int length, const SocketAddress& to);
// Sleeps up to timeoutMs until a datagram waits on the socket or input comes
// to the calling thread's dialogs. Returns what ended it (kWaitDatagram,
// kWaitInput), 0 when the time ran out with neither (WaitForSocketOrInput).
// A timeout of 0 only looks.
int WaitForTftpEvent(SocketHandle socket, unsigned timeoutMs);
// The same for input alone (the reboot wait, when datagrams no longer matter).
int WaitForTftpInput(unsigned timeoutMs);
std::uint32_t TftpClock();

// Datagrams taken back to back before the server looks at the user's input
// and its clock again: a flood of datagrams must not starve the dialog or
// the deadlines.
constexpr unsigned kDatagramsBetweenLooks = 16;
