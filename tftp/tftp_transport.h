// The TFTP server's whole contact with the network and the clock: datagrams
// on the listener's socket, the wait of an idle poll, the millisecond clock
// and the sleep of the reboot wait. Kept apart in one object so that the
// TFTP tests can link a scripted peer with a fake clock in its place
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
// The wait of one idle poll: up to kTftpIdleWaitMs for a datagram on the
// socket or input to the calling thread's dialogs, whichever comes first.
// Returns what ended it (kWaitDatagram, kWaitInput), 0 when the time ran
// out with neither (WaitForSocketOrInput).
int WaitForTftpIdlePoll(SocketHandle socket);
std::uint32_t TftpClock();
void TftpSleep(unsigned milliseconds);

constexpr unsigned kTftpIdleWaitMs = 1;
