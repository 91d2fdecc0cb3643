"""The simulated device's TFTP client (RFC 1350, options of RFC 2347 and 2349):
one read request and its transfer, with faults on request, and a summary of
what arrived. Part of tools/device_simulator.py; shares nothing with the
upgrade tool."""
import hashlib
import socket
import struct
import time

RRQ, DATA, ACK, ERROR, OACK = 1, 3, 4, 5, 6
BLOCK_SIZE = 512
LINGER_SECONDS = 1.0      # after the last block, to acknowledge its repeat
POLL_SECONDS = 0.05


def expected_oack(size):
    """The option acknowledgement the upgrade tool sends for an image of size
    bytes: opcode 6, tsize and the size, timeout 5."""
    return struct.pack("!H", OACK) + b"tsize\0" + str(size).encode("ascii") + b"\0timeout\0" + b"5\0"


def announced_tsize(oack):
    items = oack[2:].split(b"\0")
    options = {items[i].lower(): items[i + 1] for i in range(0, len(items) - 1, 2)}
    value = options.get(b"tsize", b"")
    return int(value) if value.isdigit() else None


def is_own_address(address):
    """True when address belongs to this machine (a socket can be bound to it)."""
    probe = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    try:
        probe.bind((address, 0))
        return True
    except OSError:
        return False
    finally:
        probe.close()


class TftpFetch:
    """Fetches name from server = (address, port). The server's first reply
    fixes its port; packets from any other source are ignored. A lost ACK is
    recovered by the server's retransmission, which is acknowledged again;
    the client itself never retransmits.

    faults: lose, duplicate, wrong_port (sets of block numbers, each applied
    to the first ACK of that block only; block 0 is the ACK of the OACK),
    delay ({block: seconds} to wait before that first ACK, sending nothing
    meanwhile) and stop_at (None, or the block from which nothing is
    acknowledged)."""

    def __init__(self, record, local_address, server, name, with_options, faults, silence, deadline):
        self.record, self.local_address = record, local_address
        self.server, self.name, self.silence, self.deadline = server, name, silence, deadline
        self.request = struct.pack("!H", RRQ) + name.encode("latin-1") + b"\0octet\0"
        if with_options:
            self.request += b"tsize\0" + b"0\0timeout\0" + b"5\0"
        self.lose, self.duplicate = set(faults["lose"]), set(faults["duplicate"])
        self.wrong_port, self.stop_at = set(faults["wrong_port"]), faults["stop_at"]
        self.delay = dict(faults["delay"])
        self.paused = None       # (block, monotonic time its ACK is due) while the device waits to send it
        self.stopped = False
        self.complete = False
        self.faults = []
        self.image = bytearray()
        self.blocks = 0          # blocks taken, in order (not wrapped to 16 bits)
        self.arrivals = {}       # block number (0: the OACK) -> arrival times
        self.oack = None
        self.oack_count = 0
        self.stray = 0
        self.started = self.last_ack = None
        self.peer = None
        self.socket = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.socket.bind((local_address, 0))
        self.socket.settimeout(POLL_SECONDS)

    def run(self):
        """Receives until the transfer ends; returns the outcome: complete,
        stopped (the device stopped acknowledging), abandoned (the server
        fell silent), error (an ERROR packet) or lifetime."""
        try:
            return self.receive_all()
        finally:
            self.socket.close()

    def receive_all(self):
        self.started = self.record.now()
        self.socket.sendto(self.request, self.server)
        self.record.note("tftp send RRQ %s to %s:%d" % (self.name, *self.server))
        heard = complete_at = time.monotonic()
        while True:
            now = time.monotonic()
            if now > self.deadline:
                return "lifetime"
            if self.paused:
                # The linger and the silence count from the delayed ACK:
                # until it is sent the device, not the server, keeps quiet.
                if now >= self.paused[1]:
                    self.send_ack(self.paused[0])
                    self.paused = None
                    heard = complete_at = now
            elif self.complete and now - complete_at > LINGER_SECONDS:
                return "complete"
            elif now - heard > self.silence:
                return "stopped" if self.stopped else "abandoned"
            try:
                packet, sender = self.socket.recvfrom(65536)
            except socket.timeout:
                continue
            except OSError as error:      # an ICMP error reported on the socket
                self.record.note("tftp receive error: %s" % error)
                time.sleep(POLL_SECONDS)
                continue
            if sender[0] != self.server[0] or (self.peer and sender != self.peer) or len(packet) < 4:
                self.stray += 1
                self.record.note("tftp ignored %d bytes from %s:%d" % (len(packet), *sender))
                continue
            self.peer = self.peer or sender
            heard = now
            opcode, number = struct.unpack("!HH", packet[:4])
            if opcode == OACK and not self.blocks:
                self.receive_oack(packet)
            elif opcode == DATA:
                was_complete = self.complete
                self.receive_data(number, packet[4:])
                if self.complete and not was_complete:
                    complete_at = now
            elif opcode == ERROR:
                self.record.note("tftp ERROR %d %r" % (number, packet[4:].split(b"\0")[0]))
                return "error"
            else:
                self.stray += 1
                self.record.note("tftp ignored opcode %d" % opcode)

    def receive_oack(self, packet):
        self.arrivals.setdefault(0, []).append(self.record.now())
        self.oack_count += 1
        if self.oack is None:
            self.oack = bytes(packet)
            self.record.note("tftp recv OACK %s" % packet[2:].replace(b"\0", b" ").decode("latin-1"))
        self.acknowledge(0)

    def receive_data(self, number, data):
        following = self.blocks + 1
        if not self.complete and number == following & 0xFFFF:
            self.arrivals.setdefault(following, []).append(self.record.now())
            if self.halted(following):
                return
            self.blocks = following
            self.image += data
            self.complete = len(data) < BLOCK_SIZE
            self.acknowledge(following)
        elif self.blocks and number == self.blocks & 0xFFFF:
            # The block last taken, again: its ACK was lost (or never sent).
            self.arrivals[self.blocks].append(self.record.now())
            self.acknowledge(self.blocks)
        else:
            self.stray += 1
            self.record.note("tftp ignored DATA %d at block %d" % (number, self.blocks))

    def halted(self, block):
        """True from the block the device stops at on."""
        if self.stop_at is None or block < self.stop_at:
            return False
        if not self.stopped:
            self.stopped = True
            self.fault("stop", block)
        return True

    def fault(self, kind, block, **details):
        self.faults.append({"kind": kind, "block": block, **details})
        self.record.note("tftp fault: %s at block %d%s" % (
            kind.replace("_", " "), block, "".join(" %s %s" % item for item in details.items())))

    def acknowledge(self, block):
        if self.halted(block):
            return
        if self.paused:
            return      # a repeat while the device waits: counted, not answered
        if block in self.delay:
            seconds = self.delay.pop(block)
            self.fault("delay_ack", block, seconds=seconds)
            self.paused = (block, time.monotonic() + seconds)
            return
        self.send_ack(block)

    def send_ack(self, block):
        packet = struct.pack("!HH", ACK, block & 0xFFFF)
        self.last_ack = self.record.now()
        if block in self.lose:
            self.lose.discard(block)
            self.fault("lose_ack", block)
        elif block in self.wrong_port:
            self.wrong_port.discard(block)
            self.fault("wrong_port_ack", block)
            other = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            other.bind((self.local_address, 0))
            other.sendto(packet, self.peer)
            other.close()
        else:
            self.socket.sendto(packet, self.peer)
            if block in self.duplicate:
                self.duplicate.discard(block)
                self.fault("duplicate_ack", block)
                self.socket.sendto(packet, self.peer)

    def summary(self, outcome):
        """What the record keeps of this fetch."""
        tsize = announced_tsize(self.oack) if self.oack else None
        size_for_oack = len(self.image) if outcome == "complete" else tsize
        repeated = sorted((block, times) for block, times in self.arrivals.items() if len(times) > 1)
        return {
            "outcome": outcome, "rrq_hex": self.request.hex(),
            "oack_hex": self.oack.hex() if self.oack else None, "oack_count": self.oack_count,
            "oack_as_expected": self.oack is not None and size_for_oack is not None
                                and self.oack == expected_oack(size_for_oack),
            "tsize": tsize, "size": len(self.image), "sha256": hashlib.sha256(self.image).hexdigest(),
            "blocks": self.blocks,
            "resent": {str(block): len(times) - 1 for block, times in repeated},
            "resend_gaps_ms": {str(block): [round((b - a) * 1000) for a, b in zip(times, times[1:])]
                               for block, times in repeated},
            "faults": self.faults, "stray_packets": self.stray,
            "started": self.started, "last_ack": self.last_ack, "finished": self.record.now(),
        }
