"""The simulated device's flood of stray datagrams: from a UDP socket of its
own on the device's address to the TFTP server named in an upgrade command,
as fast as it can, for a bounded time. Part of tools/device_simulator.py;
shares nothing with the upgrade tool."""
import random
import socket
import struct
import time

from device_simulator_tftp import ACK, RRQ

FLOOD_SEED = 2347          # the same datagrams in every run
ROUNDS = 100               # of the three kinds: datagrams made once, then sent in turn
MAX_DATAGRAM = 1400
OTHER_OPCODES = (0, 2, 3, 5, 6, 7, 0x0104, 0xFFFF)   # all but RRQ and ACK, and unknown ones


def stray_datagrams():
    """In turn: an ACK of any block number, another opcode followed by junk,
    and junk alone (0 to MAX_DATAGRAM bytes). Never a read request, which
    would start a transfer instead of being stray."""
    generator = random.Random(FLOOD_SEED)
    pool = []
    for _ in range(ROUNDS):
        pool.append(struct.pack("!HH", ACK, generator.randrange(0x10000)))
        opcode = generator.choice(OTHER_OPCODES)
        pool.append(struct.pack("!H", opcode) + generator.randbytes(generator.randrange(MAX_DATAGRAM - 1)))
        junk = generator.randbytes(generator.randrange(MAX_DATAGRAM + 1))
        pool.append(b"\xff" + junk[1:] if junk[:2] == struct.pack("!H", RRQ) else junk)
    return pool


class Flood:
    """Sends the stray datagrams from local_address to server for seconds,
    or until stopping() gives a reason (terminated, lifetime)."""

    def __init__(self, record, local_address, server, seconds, stopping, started=None):
        self.record, self.local_address, self.server = record, local_address, server
        self.seconds, self.stopping = seconds, stopping
        self.started = started  # called with the source port once the first datagram is out

    def run(self):
        """{sent, failed, seconds, source_port, reason}: reason is done (its
        seconds are over), terminated or lifetime."""
        pool = stray_datagrams()
        sent = failed = 0
        reason = "done"
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as flood:
            flood.bind((self.local_address, 0))
            source_port = flood.getsockname()[1]
            self.record.note("flood from %s:%d to %s:%d for %.1f s" % (
                self.local_address, source_port, *self.server, self.seconds))
            started = time.monotonic()
            while time.monotonic() - started < self.seconds:
                if stopped := self.stopping():
                    reason = stopped
                    break
                try:
                    flood.sendto(pool[(sent + failed) % len(pool)], self.server)
                    sent += 1
                    if sent == 1 and self.started:
                        self.started(source_port)
                except OSError:      # a full buffer, or an ICMP error reported on the socket
                    failed += 1
        return {"sent": sent, "failed": failed, "seconds": round(time.monotonic() - started, 3),
                "source_port": source_port, "reason": reason}
