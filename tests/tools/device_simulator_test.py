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
import socket
import struct
import sys
import tempfile
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


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--simulator", required=True)
    arguments, rest = parser.parse_known_args()
    SIMULATOR = os.path.abspath(arguments.simulator)
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
