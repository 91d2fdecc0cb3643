#!/usr/bin/env python3
"""Tests of the device simulator itself (tools/device_simulator.py), not of
the upgrade tool: its Digest check against RFC 2617's worked example and
values worked out with md5sum, and its TFTP client against a small scripted
TFTP server, with faults, over loopback. The simulator's modules and the
support module (tools/qev_harness.py) come through PYTHONPATH.

Usage: device_simulator_test.py --simulator PATH/device_simulator.py"""
import argparse
import hashlib
import os
import re
import socket
import struct
import sys
import tempfile
import threading
import time
import unittest

sys.dont_write_bytecode = True  # no byte code written into the source tree
from device_simulator_digest import DigestGuard
from qev_harness import SimulatedDevice

SIMULATOR = None

# RFC 2617 section 3.5: user Mufasa, password "Circle Of Life".
RFC_REALM = "testrealm@host.com"
RFC_NONCE = "dcd98b7102dd2f0e8b11d0f600bfb0c093"
RFC_OPAQUE = "5ccc069c403ebaf9f0171e9517f40e41"
RESEND_SECONDS = 0.5
EVENT_SECONDS = 15  # longest wait for an event in the record


def rfc_line(response, nc="00000001", qop="auth", algorithm=None):
    line = ('Digest username="Mufasa", realm="%s", nonce="%s", uri="/dir/index.html", ' % (RFC_REALM, RFC_NONCE))
    if algorithm:
        line += 'algorithm="%s", ' % algorithm
    if qop:
        line += 'qop=%s, nc=%s, cnonce="0a4f113b", ' % (qop, nc)
    return line + 'response="%s", opaque="%s"' % (response, RFC_OPAQUE)


def http_get(port, path, authorization=None):
    """The whole reply, or b"" when the connection is refused or closed."""
    request = "GET %s HTTP/1.1\r\nHost: 192.0.2.1\r\n" % path
    if authorization:
        request += "Authorization: %s\r\n" % authorization
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=10) as connection:
            connection.sendall((request + "\r\n").encode("latin-1"))
            reply = b""
            while chunk := connection.recv(65536):
                reply += chunk
            return reply
    except ConnectionError:
        return b""


def start_simulator(directory, *options):
    """One simulator process on a free loopback port, with its record."""
    return SimulatedDevice(directory, ["--http-port", "0", *options], lifetime=60, ready_seconds=10,
                           simulator=SIMULATOR)


class Simulator(SimulatedDevice):
    """start_simulator's device with its record's events at hand."""

    def __init__(self, directory, *options):
        super().__init__(directory, ["--http-port", "0", *options], lifetime=60, ready_seconds=10,
                         simulator=SIMULATOR)

    def events(self, kind):
        return self.record.events(kind)

    def wait_for(self, kind, seconds=EVENT_SECONDS):
        return self.record.wait_for(kind, seconds)


class ScriptedTftpServer:
    """Serves one image to the first read request the way the upgrade tool
    does: the OACK given, then stop and wait from its one port, each packet
    sent again when its ACK has not come within RESEND_SECONDS (longer than
    the tool's 100 ms, so that a busy machine causes no extra resends), at
    most resend_limit times."""

    def __init__(self, image, oack, resend_limit):
        self.image, self.oack, self.resend_limit = image, oack, resend_limit
        self.socket = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.socket.bind(("127.0.0.1", 0))
        self.port = self.socket.getsockname()[1]
        self.sent = {}      # packet number (0: the OACK) -> times sent
        self.acks = []      # (block, from the requesting port)
        self.rrq = None

    def serve(self):
        with self.socket:
            self.serve_packets()

    def serve_packets(self):
        self.socket.settimeout(10)
        self.rrq, peer = self.socket.recvfrom(1024)
        packets = [self.oack] + [struct.pack("!HH", 3, number) + self.image[offset:offset + 512]
                                 for number, offset in enumerate(range(0, len(self.image) + 1, 512), 1)]
        for number, packet in enumerate(packets):
            while not self.await_ack(number, packet, peer):
                if self.sent[number] == self.resend_limit:
                    return

    def await_ack(self, number, packet, peer):
        self.socket.sendto(packet, peer)
        self.sent[number] = self.sent.get(number, 0) + 1
        deadline = time.monotonic() + RESEND_SECONDS
        while (left := deadline - time.monotonic()) > 0:
            self.socket.settimeout(left)
            try:
                datagram, sender = self.socket.recvfrom(1024)
            except socket.timeout:
                break
            opcode, block = struct.unpack("!HH", datagram[:4])
            if opcode == 4:
                self.acks.append((block, sender == peer))
                if block == number and sender == peer:
                    return True
        return False


def sample_image(size, version):
    header = bytearray(128)
    header[0:7] = b"QAT1040"
    header[92:92 + len(version)] = version.encode("ascii")
    return bytes(header) + bytes((i * 7 + 3) & 0xFF for i in range(size - 128))


class DigestCheck(unittest.TestCase):
    def test_rfc_example_over_http_and_refusals(self):
        with tempfile.TemporaryDirectory() as directory:
            device = start_simulator(directory, "--user", "Mufasa", "--password", "Circle Of Life",
                                     "--realm", RFC_REALM, "--nonce", RFC_NONCE, "--opaque", RFC_OPAQUE)
            try:
                accepted = http_get(device.port, "/dir/index.html", rfc_line("6629fae49393a05397450978507c4ef1"))
                wrong = http_get(device.port, "/dir/index.html",
                                 rfc_line("6629fae49393a05397450978507c4ef2", nc="00000002"))
                replayed = http_get(device.port, "/dir/index.html", rfc_line("6629fae49393a05397450978507c4ef1"))
                checks = device.record.events("digest")
            finally:
                device.stop()
        self.assertTrue(accepted.startswith(b"HTTP/1.1 404 "), accepted)   # past the check; no such page
        for refused in (wrong, replayed):
            self.assertTrue(refused.startswith(b"HTTP/1.1 401 "), refused)
            self.assertIn(('nonce="%s"' % RFC_NONCE).encode(), refused)
        self.assertEqual([(True, "verified"), (False, "wrong response"), (False, "nonce count not rising (a replay)")],
                         [(check["verified"], check["reason"]) for check in checks])

    def test_md5_sess_and_no_qop(self):
        guard = lambda **variant: DigestGuard("Mufasa", "Circle Of Life", RFC_REALM, opaque=RFC_OPAQUE,
                                              nonce=RFC_NONCE, **variant)
        # Worked out with md5sum and xxd: H(A1) of MD5-sess is MD5 of the 16
        # bytes 939e7578...bce9 and ":nonce:cnonce" = 71f45625a6e5fcdd072ce44e8e101a01;
        # without qop, MD5("939e7578...bce9:nonce:39aff3a2...3366").
        sess = guard(algorithm="MD5-sess")
        self.assertEqual("verified", sess.check(rfc_line("68c13aa36c0e5ab2e1e1e684dacc873b", algorithm="MD5-sess"),
                                                "/dir/index.html")[1])
        self.assertEqual("uri is not the request path",
                         sess.check(rfc_line("68c13aa36c0e5ab2e1e1e684dacc873b", nc="00000002", algorithm="MD5-sess"),
                                    "/dir/other.html")[1])
        plain = guard(qop="", algorithm="")
        self.assertEqual("verified", plain.check(rfc_line("670fd8c2df070c60b045671b8b24ff02", qop=None),
                                                 "/dir/index.html")[1])
        self.assertEqual("qop differs from the challenge's",
                         plain.check(rfc_line("6629fae49393a05397450978507c4ef1"), "/dir/index.html")[1])


class TftpFetch(unittest.TestCase):
    def fetch(self, directory, server, name, *options):
        device = start_simulator(directory, "--fetch-delay", "0", *options)
        command = http_get(device.port, "/admin/upgrade?tftp://127.0.0.1:%d%s" % (server.port, name))
        self.assertTrue(command.startswith(b"HTTP/1.1 200 "), command)
        server.serve()
        return device

    def test_lost_duplicated_and_misdirected_acks_then_reboot(self):
        image = sample_image(1700, "3.1.24(QE)")      # blocks of 512, 512, 512 and 164 bytes
        oack = b"\0\x06tsize\x001700\0timeout\x005\0"
        server = ScriptedTftpServer(image, oack, resend_limit=30)
        with tempfile.TemporaryDirectory() as directory:
            device = self.fetch(directory, server, "/qev1a2b.bi1", "--lose-ack", "1", "--duplicate-ack", "2",
                                "--wrong-port-ack", "3", "--reboot-seconds", "3")
            try:
                transfer = device.record.wait_for("tftp", EVENT_SECONDS)
                device.record.wait_for("install", EVENT_SECONDS)
                during_reboot = http_get(device.port, "/admin/advanced")
                device.record.wait_for("back_up", EVENT_SECONDS)
                after_reboot = http_get(device.port, "/admin/advanced")
            finally:
                device.stop()
        self.assertEqual(b"\0\x01/qev1a2b.bi1\0octet\0tsize\x000\0timeout\x005\0", server.rrq)
        self.assertEqual({0: 1, 1: 2, 2: 1, 3: 2, 4: 1}, server.sent)
        self.assertEqual([(0, True), (1, True), (2, True), (2, True), (3, False), (3, True), (4, True)], server.acks)
        self.assertEqual(("complete", 1700, hashlib.sha256(image).hexdigest(), True, {"1": 1, "3": 1}),
                         (transfer["outcome"], transfer["size"], transfer["sha256"], transfer["oack_as_expected"],
                          transfer["resent"]))
        self.assertEqual(b"", during_reboot)
        self.assertIn(b"Software Version:</td><td>3.1.24(QE)</td>", after_reboot)

    def test_device_that_stops_acknowledging(self):
        image = sample_image(1200, "3.1.24(QE)")
        oack = b"\0\x06tsize\x001200\0timeout\x006\0"  # not the OACK of the upgrade tool
        server = ScriptedTftpServer(image, oack, resend_limit=4)
        with tempfile.TemporaryDirectory() as directory:
            device = self.fetch(directory, server, "/qev1.bi1", "--plain-rrq", "--stop-at-block", "2",
                                "--tftp-silence", "1.5", "--software-version", "2.9.1(NT)")
            try:
                transfer = device.record.wait_for("tftp", EVENT_SECONDS)
                install = device.record.wait_for("install", EVENT_SECONDS)
                page = http_get(device.port, "/admin/advanced")
            finally:
                device.stop()
        self.assertEqual(b"\0\x01/qev1.bi1\0octet\0", server.rrq)
        self.assertEqual({0: 1, 1: 1, 2: 4}, server.sent)
        self.assertEqual(("stopped", 1, {"2": 3}, False, [{"kind": "stop", "block": 2}]),
                         (transfer["outcome"], transfer["blocks"], transfer["resent"], transfer["oack_as_expected"],
                          transfer["faults"]))
        self.assertFalse(install["installed"])
        self.assertIn(b"Software Version:</td><td>2.9.1(NT)</td>", page)



# ---- Options that make the device slower or odder, as real devices are --------

IMAGE_600 = sample_image(600, "3.1.24(QE)")       # blocks of 512 and 88 bytes
OACK_600 = b"\0\x06tsize\x00600\0timeout\x005\0"


def http_get_at(address, port, path):
    """The whole reply from a device on another loopback address."""
    with socket.create_connection((address, port), timeout=10) as connection:
        connection.sendall(("GET %s HTTP/1.1\r\nHost: %s\r\n\r\n" % (path, address)).encode("latin-1"))
        reply = b""
        while chunk := connection.recv(65536):
            reply += chunk
        return reply


def upgrade_path(server_port, name="/qev1.bi1"):
    return "/admin/upgrade?tftp://127.0.0.1:%d%s" % (server_port, name)


class WatchedTftpServer(ScriptedTftpServer):
    """Also notes who asked, when each packet was first sent and when its ACK
    came (each noted on the safe side: a gap between them is never shorter
    than it was)."""

    def __init__(self, image, oack):
        super().__init__(image, oack, resend_limit=30)
        self.peer, self.first_sent, self.acked = None, {}, {}

    def await_ack(self, number, packet, peer):
        self.peer = peer
        self.first_sent.setdefault(number, time.monotonic())
        acknowledged = super().await_ack(number, packet, peer)
        if acknowledged:
            self.acked[number] = time.monotonic()
        return acknowledged


class SlowReboot(unittest.TestCase):
    def test_connections_refused_from_install_until_back_up(self):
        server = ScriptedTftpServer(IMAGE_600, OACK_600, resend_limit=30)
        with tempfile.TemporaryDirectory() as directory:
            device = Simulator(directory, "--fetch-delay", "0", "--reboot-seconds", "3")
            try:
                http_get(device.port, upgrade_path(server.port))
                server.serve()
                device.wait_for("install")
                with self.assertRaises(ConnectionRefusedError):
                    socket.create_connection(("127.0.0.1", device.port), timeout=10).close()
                device.wait_for("back_up")
                page = http_get(device.port, "/admin/advanced")
                statuses = [event["status"] for event in device.events("http")]
            finally:
                device.stop()
        self.assertEqual([200, 200], statuses)     # none accepted and left unanswered
        self.assertIn(b"Software Version:</td><td>3.1.24(QE)</td>", page)

    def test_reboot_over_before_the_server_looks_still_comes_back_up(self):
        server = ScriptedTftpServer(IMAGE_600, OACK_600, resend_limit=30)
        with tempfile.TemporaryDirectory() as directory:
            device = Simulator(directory, "--fetch-delay", "0", "--reboot-seconds", "0")
            try:
                http_get(device.port, upgrade_path(server.port))
                server.serve()
                back_up = device.wait_for("back_up")
                page = http_get(device.port, "/admin/advanced")
            finally:
                device.stop()
        self.assertEqual(("3.1.24(QE)", 1), (back_up["version"], back_up["upgrade"]))
        self.assertIn(b"Software Version:</td><td>3.1.24(QE)</td>", page)


class AckDelay(unittest.TestCase):
    def test_nothing_sent_while_the_device_waits_before_an_ack(self):
        image = sample_image(1200, "3.1.24(QE)")      # blocks of 512, 512 and 176 bytes
        server = WatchedTftpServer(image, b"\0\x06tsize\x001200\0timeout\x005\0")
        with tempfile.TemporaryDirectory() as directory:
            device = Simulator(directory, "--fetch-delay", "0", "--ack-delay", "2:1.2")
            try:
                http_get(device.port, upgrade_path(server.port))
                server.serve()
                transfer = device.wait_for("tftp")
            finally:
                device.stop()
        self.assertGreaterEqual(server.acked[2] - server.first_sent[2], 1.2)
        self.assertEqual([(0, True), (1, True), (2, True)], server.acks[:3])
        self.assertGreater(server.sent[2], 1)     # resent while the device waited, and counted
        self.assertEqual(("complete", {"2": server.sent[2] - 1}, [{"kind": "delay_ack", "block": 2, "seconds": 1.2}]),
                         (transfer["outcome"], transfer["resent"], transfer["faults"]))


class StrayFlood(unittest.TestCase):
    def test_flood_from_a_port_of_its_own_with_no_fetch(self):
        senders, opcodes, ack_blocks, longest, received = set(), set(), set(), 0, 0
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as server, tempfile.TemporaryDirectory() as directory:
            server.bind(("127.0.0.1", 0))
            server.settimeout(0.2)
            device = Simulator(directory, "--fetch-delay", "0", "--no-fetch", "--flood", "1")
            try:
                reply = http_get(device.port, upgrade_path(server.getsockname()[1]))
                deadline = time.monotonic() + 20
                while time.monotonic() < deadline:
                    try:
                        datagram, sender = server.recvfrom(2048)
                    except socket.timeout:
                        if device.events("flood"):
                            break
                        continue
                    received += 1
                    senders.add(sender)
                    longest = max(longest, len(datagram))
                    opcodes.add(datagram[:2])
                    if datagram[:2] == b"\0\x04" and len(datagram) == 4:
                        ack_blocks.add(datagram[2:])
                flood, upgrade = device.wait_for("flood"), device.wait_for("upgrade")
                transfers, started = device.events("tftp"), device.events("flood_started")
            finally:
                device.stop()
        self.assertTrue(reply.startswith(b"HTTP/1.1 200 "), reply)
        self.assertEqual((True, False, []), (upgrade["accepted"], upgrade["fetch"], transfers))
        self.assertEqual("done", flood["reason"])
        self.assertEqual([flood["source_port"]], [event["source_port"] for event in started])
        self.assertGreaterEqual(flood["seconds"], 1.0)
        self.assertGreaterEqual(flood["sent"], received)
        self.assertEqual({("127.0.0.1", flood["source_port"])}, senders)   # no RRQ from a fetch's port
        self.assertNotIn(b"\0\x01", opcodes)
        self.assertLessEqual(longest, 1400)
        self.assertGreater(len(ack_blocks), 1)
        self.assertGreater(len(opcodes - {b"\0\x04"}), 1)


class PageValues(unittest.TestCase):
    def page_of(self, directory, *options):
        device = Simulator(directory, *options)
        try:
            return http_get(device.port, "/admin/advanced"), device.events("ready")[0]["page"]
        finally:
            device.stop()

    def test_values_reach_the_page_byte_for_byte(self):
        with tempfile.TemporaryDirectory() as plain, tempfile.TemporaryDirectory() as escaped:
            plain_page, _ = self.page_of(plain, "--serial", b"\xff\x01\xc3\xa9\x9b", "--mac", "a\\x41")
            escaped_page, values = self.page_of(escaped, "--field-escapes", "--product-name",
                                                "QEV\\x1b]0;owned\\x07", "--mac", "a\\\\x41\\xC3\\xa9")
        self.assertIn(b"<tr><td>Serial Number:</td><td>\xff\x01\xc3\xa9\x9b</td></tr>", plain_page)
        self.assertIn(b"<tr><td>MAC Address:</td><td>a\\x41</td></tr>", plain_page)
        self.assertIn(b"<tr><td>Product Name:</td><td>QEV\x1b]0;owned\x07</td></tr>", escaped_page)
        self.assertIn(b"<tr><td>MAC Address:</td><td>a\\x41\xc3\xa9</td></tr>", escaped_page)
        self.assertEqual("QEV\x1b]0;owned\x07", values["Product Name"])

    def test_transcript_shows_control_characters_escaped(self):
        with tempfile.TemporaryDirectory() as directory:
            device = Simulator(directory)
            try:
                http_get(device.port, "/\x1b]0;owned\x07")
                device.wait_for("http")
            finally:
                device.stop()
            with open(device.transcript_path, "rb") as file:
                transcript = file.read()
        self.assertIn(b"GET /\\x1b]0;owned\\x07 HTTP/1.1", transcript)
        self.assertNotIn(b"\x1b", transcript)

    def test_rows_omitted_after_an_upgrade(self):
        server = ScriptedTftpServer(IMAGE_600, OACK_600, resend_limit=30)
        with tempfile.TemporaryDirectory() as directory:
            device = Simulator(directory, "--fetch-delay", "0", "--reboot-seconds", "0.5",
                               "--omit-after-upgrade", "Serial Number", "--omit-after-upgrade", "MAC Address")
            try:
                before = http_get(device.port, "/admin/advanced")
                http_get(device.port, upgrade_path(server.port))
                server.serve()
                install = device.wait_for("install")
                device.wait_for("back_up")
                after = http_get(device.port, "/admin/advanced")
            finally:
                device.stop()
        self.assertIn(b"<tr><td>Serial Number:</td><td>QA10400012345</td></tr>", before)
        self.assertIn(b"<tr><td>MAC Address:</td><td>00:00:5E:00:53:10</td></tr>", before)
        self.assertEqual(["Serial Number", "MAC Address"], install["omitted"])
        self.assertIn(b"<table>\n<tr><td>Product Name:</td><td>QEV-1040</td></tr>\n"
                      b"<tr><td>Hardware Version:</td><td>1.0.2</td></tr>\n"
                      b"<tr><td>Software Version:</td><td>3.1.24(QE)</td></tr>\n</table>", after)


class HeldCommandReply(unittest.TestCase):
    def test_reply_held_open_until_back_up(self):
        server = ScriptedTftpServer(IMAGE_600, OACK_600, resend_limit=30)
        with tempfile.TemporaryDirectory() as directory:
            device = Simulator(directory, "--fetch-delay", "0", "--hold-command-reply", "--reboot-seconds", "1")
            try:
                with socket.create_connection(("127.0.0.1", device.port), timeout=20) as command:
                    command.sendall(b"GET %s HTTP/1.1\r\nHost: 192.0.2.1\r\n\r\n" % upgrade_path(server.port).encode())
                    server.serve()
                    reply = b""
                    while chunk := command.recv(65536):
                        reply += chunk
                closed, back_up = device.wait_for("held_reply"), device.wait_for("back_up")
            finally:
                device.stop()
        self.assertEqual(b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<html>Upgrade started</html>", reply)
        self.assertEqual((1, "back up"), (closed["upgrade"], closed["reason"]))
        self.assertLessEqual(back_up["t"], closed["t"])


class ChallengeForms(unittest.TestCase):
    def challenge_and_checks(self, *options):
        """The 401's challenge line, then the reasons given to the RFC's
        Authorization line, first as it is, then with the nonce changed."""
        with tempfile.TemporaryDirectory() as directory:
            device = Simulator(directory, "--user", "Mufasa", "--password", "Circle Of Life", "--realm", RFC_REALM,
                               "--nonce", RFC_NONCE, "--opaque", RFC_OPAQUE, *options)
            try:
                refused = http_get(device.port, "/dir/index.html")
                http_get(device.port, "/dir/index.html", rfc_line("6629fae49393a05397450978507c4ef1"))
                http_get(device.port, "/dir/index.html",
                         rfc_line("6629fae49393a05397450978507c4ef1").replace(RFC_NONCE, "0123456789abcdef"))
                recorded = device.events("http")[0]["challenge"]
                reasons = [check["reason"] for check in device.events("digest")]
            finally:
                device.stop()
        line = [line for line in refused.split(b"\r\n") if line.startswith(b"WWW-Authenticate: ")][0]
        self.assertEqual(line.decode("latin-1"), "WWW-Authenticate: " + recorded)
        self.assertEqual(["verified", "stale nonce"], reasons)
        return recorded

    def test_algorithm_as_a_token(self):
        self.assertEqual('Digest realm="testrealm@host.com", nonce="dcd98b7102dd2f0e8b11d0f600bfb0c093", qop="auth", '
                         'algorithm=MD5, opaque="5ccc069c403ebaf9f0171e9517f40e41"',
                         self.challenge_and_checks("--algorithm-unquoted"))

    def test_nextnonce_before_the_nonce(self):
        challenge = self.challenge_and_checks("--nextnonce")
        found = re.fullmatch(r'Digest realm="testrealm@host\.com", nextnonce="([0-9a-f]{32})", '
                             r'nonce="dcd98b7102dd2f0e8b11d0f600bfb0c093", qop="auth", algorithm="MD5", '
                             r'opaque="5ccc069c403ebaf9f0171e9517f40e41"', challenge)
        self.assertIsNotNone(found, challenge)
        self.assertNotEqual(RFC_NONCE, found.group(1))


class SeveralDevices(unittest.TestCase):
    def test_eight_devices_on_port_80_fetch_from_127_0_0_1(self):
        addresses = ["127.0.0.%d" % last for last in range(2, 10)]
        try:
            socket.create_server((addresses[0], 80)).close()
        except PermissionError:
            self.skipTest("port 80 needs the private network of tools/in_private_network.sh")
        servers = [WatchedTftpServer(IMAGE_600, OACK_600) for _ in addresses]
        devices = []
        with tempfile.TemporaryDirectory() as directory:
            try:
                for address in addresses:
                    os.mkdir(os.path.join(directory, address))
                    devices.append(Simulator(os.path.join(directory, address), "--address", address,
                                             "--http-port", "80", "--fetch-delay", "0"))
                for address, server in zip(addresses, servers):
                    http_get_at(address, 80, upgrade_path(server.port))
                serving = [threading.Thread(target=server.serve) for server in servers]
                for thread in serving:
                    thread.start()
                for thread in serving:
                    thread.join(30)
                transfers = [device.wait_for("tftp") for device in devices]
            finally:
                for device in devices:
                    device.stop()
        self.assertEqual(addresses, [server.peer[0] for server in servers])
        self.assertEqual([("complete", hashlib.sha256(IMAGE_600).hexdigest())] * 8,
                         [(transfer["outcome"], transfer["sha256"]) for transfer in transfers])


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--simulator", required=True)
    arguments, rest = parser.parse_known_args()
    SIMULATOR = os.path.abspath(arguments.simulator)
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
