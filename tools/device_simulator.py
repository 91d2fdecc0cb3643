#!/usr/bin/env python3
"""A simulated QEV device for tests and demonstrations, written apart from the
tool (it shares no code with it): its web server serves the status page
"/admin/advanced", optionally behind HTTP Digest authentication (RFC 2617,
qop auth, MD5), and obeys "/admin/upgrade?tftp://ADDRESS:PORT/NAME" by
fetching NAME with a TFTP client (RFC 1350 with the tsize and timeout
options), then reboots: its web server goes quiet for a while and comes back
reporting the version text of the image it received, with a new nonce.

Every HTTP exchange and TFTP packet is written to the transcript (standard
error, or --transcript FILE) as one readable line.

It listens on the address and port given; in the tests it runs in a network
namespace of its own on loopback. Nothing here sends to any other address
than the one the upgrade command names, and every loop is bounded.
"""
import argparse
import hashlib
import os
import random
import re
import socket
import struct
import sys
import threading
import time

STATUS_PAGE = """<html><head><title>QEV Status</title></head><body>
<table>
<tr><td>Product Name:</td><td>{product}</td></tr>
<tr><td>Serial Number:</td><td>{serial}</td></tr>
<tr><td>MAC Address:</td><td>{mac}</td></tr>
<tr><td>Hardware Version:</td><td>{hardware}</td></tr>
<tr><td>Software Version:</td><td>{software}</td></tr>
</table></body></html>
"""

TFTP_RRQ, TFTP_DATA, TFTP_ACK, TFTP_ERROR, TFTP_OACK = 1, 3, 4, 5, 6


class Device:
    def __init__(self, args):
        self.args = args
        self.lock = threading.Lock()
        self.software = args.software_version
        self.nonce = self.new_nonce()
        self.rebooting_until = 0.0
        self.transcript = open(args.transcript, "a", buffering=1) if args.transcript else sys.stderr
        self.received_image = None
        self.upgrades = 0

    def log(self, text):
        self.transcript.write("%.3f %s\n" % (time.monotonic(), text))

    @staticmethod
    def new_nonce():
        return "%032x" % random.getrandbits(128)

    # ---- HTTP -------------------------------------------------------------

    def serve_http(self):
        server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        server.bind((self.args.address, self.args.http_port))
        server.listen(8)
        self.log("http listening on %s:%d" % (self.args.address, self.args.http_port))
        deadline = time.monotonic() + self.args.lifetime
        server.settimeout(0.5)
        while time.monotonic() < deadline:
            try:
                connection, peer = server.accept()
            except socket.timeout:
                continue
            threading.Thread(target=self.handle_http, args=(connection, peer), daemon=True).start()
        self.log("lifetime over")
        os._exit(0)

    def handle_http(self, connection, peer):
        with connection:
            connection.settimeout(10)
            request = b""
            while b"\r\n\r\n" not in request and len(request) < 65536:
                try:
                    chunk = connection.recv(4096)
                except OSError:
                    return
                if not chunk:
                    break
                request += chunk
            text = request.decode("latin-1")
            self.log("http from %s:%d: %s" % (peer[0], peer[1], text.replace("\r\n", " | ")))
            if time.monotonic() < self.rebooting_until:
                self.log("http: rebooting, connection dropped")
                return
            reply, after = self.answer(text)
            self.log("http reply: %s" % reply.split(b"\r\n", 1)[0].decode("latin-1"))
            try:
                connection.sendall(reply)
            except OSError:
                return
            if self.args.keep_alive:
                # A standard HTTP/1.1 server keeps the connection open; the
                # client must see the reply is complete by its framing.
                connection.settimeout(self.args.keep_alive)
                try:
                    connection.recv(1)
                except OSError:
                    pass
            if after:
                after()

    def answer(self, request):
        match = re.match(r"GET (\S+) HTTP/1\.1\r\n", request)
        if not match:
            return self.reply(400, "Bad Request", "bad request"), None
        path = match.group(1)
        if self.args.password is not None and not self.authorized(request, path):
            challenge = ('Digest realm="%s", nonce="%s", qop="auth", algorithm="MD5", opaque="%s"'
                         % (self.args.realm, self.nonce, "5ccc069c403ebaf9f0171e9517f40e41"))
            return self.reply(401, "Unauthorized", "<html>401 Unauthorized</html>",
                              ["WWW-Authenticate: " + challenge]), None
        if path == "/admin/advanced":
            page = STATUS_PAGE.format(product=self.args.product_name, serial=self.args.serial,
                                      mac=self.args.mac, hardware=self.args.hardware_version,
                                      software=self.software)
            return self.reply(200, "OK", page), None
        match = re.match(r"/admin/upgrade\?tftp://(\d+\.\d+\.\d+\.\d+):(\d+)(/\S*)$", path)
        if match:
            address, port, name = match.group(1), int(match.group(2)), match.group(3)
            start = lambda: threading.Thread(target=self.fetch, args=(address, port, name), daemon=True).start()
            return self.reply(200, "OK", "<html>Upgrade started</html>"), start
        return self.reply(404, "Not Found", "<html>404 Not Found</html>"), None

    def reply(self, code, reason, body, headers=()):
        body = body.encode("latin-1")
        lines = ["HTTP/1.1 %d %s" % (code, reason), "Content-Type: text/html",
                 "Content-Length: %d" % len(body)]
        if not self.args.keep_alive:
            lines.append("Connection: close")
        lines.extend(headers)
        return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body

    def authorized(self, request, path):
        match = re.search(r"^Authorization: Digest (.*)$", request, re.M)
        if not match:
            return False
        fields = {key: quoted or plain
                  for key, quoted, plain in re.findall(r'(\w+)=(?:"([^"]*)"|([^,\s]*))', match.group(1))}
        if fields.get("nonce") != self.nonce or fields.get("uri") != path:
            self.log("digest: stale nonce or wrong uri")
            return False
        md5 = lambda text: hashlib.md5(text.encode("latin-1")).hexdigest()
        ha1 = md5("%s:%s:%s" % (fields.get("username", ""), self.args.realm, self.args.password))
        ha2 = md5("GET:%s" % path)
        if "qop" in fields:
            expected = md5("%s:%s:%s:%s:%s:%s" % (ha1, self.nonce, fields.get("nc", ""),
                                                  fields.get("cnonce", ""), fields["qop"], ha2))
        else:
            expected = md5("%s:%s:%s" % (ha1, self.nonce, ha2))
        ok = fields.get("response") == expected and fields.get("username") == self.args.user
        self.log("digest: %s" % ("accepted" if ok else "refused"))
        return ok

    # ---- TFTP client and reboot -------------------------------------------

    def fetch(self, address, port, name):
        time.sleep(self.args.fetch_delay)
        client = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        client.bind((self.args.address, 0))
        client.settimeout(1.0)
        request = struct.pack("!H", TFTP_RRQ) + name.encode("latin-1") + b"\0octet\0tsize\x000\0timeout\x005\0"
        server = (address, port)
        client.sendto(request, server)
        self.log("tftp send RRQ %s to %s:%d" % (name, address, port))
        image = bytearray()
        expected_block = 0
        announced_size = None
        silent_rounds = 0
        drop = self.args.drop_ack
        while silent_rounds < 30:
            try:
                packet, sender = client.recvfrom(65536)
            except socket.timeout:
                silent_rounds += 1
                self.log("tftp timeout waiting for block %d" % (expected_block + 1))
                continue
            if sender[0] != address:
                continue
            server = sender
            opcode = struct.unpack("!H", packet[:2])[0] if len(packet) >= 2 else -1
            if opcode == TFTP_OACK:
                options = packet[2:].split(b"\0")
                pairs = dict(zip(options[0::2], options[1::2]))
                announced_size = int(pairs.get(b"tsize", b"0") or 0)
                self.log("tftp recv OACK %s" % {k.decode(): v.decode() for k, v in pairs.items() if k})
                client.sendto(struct.pack("!HH", TFTP_ACK, 0), server)
                self.log("tftp send ACK 0")
                continue
            if opcode != TFTP_DATA or len(packet) < 4:
                self.log("tftp recv opcode %d ignored" % opcode)
                continue
            block = struct.unpack("!H", packet[2:4])[0]
            silent_rounds = 0
            if block == (expected_block + 1) & 0xFFFF:
                if drop and block == drop:
                    drop = 0
                    self.log("tftp drop block %d (fault injection)" % block)
                    continue
                image += packet[4:]
                expected_block += 1
            client.sendto(struct.pack("!HH", TFTP_ACK, block), server)
            if len(packet) - 4 < 512:
                self.log("tftp last block %d, %d bytes in all" % (block, len(image)))
                break
        client.close()
        if silent_rounds >= 30:
            self.log("tftp transfer abandoned")
            return
        if announced_size is not None and announced_size != len(image):
            self.log("tftp size mismatch: announced %d, received %d" % (announced_size, len(image)))
            return
        self.received_image = bytes(image)
        if self.args.save_image:
            with open(self.args.save_image + (".%d" % self.upgrades), "wb") as out:
                out.write(image)
        self.upgrades += 1
        version = image[92:128].split(b"\0", 1)[0].decode("latin-1") if len(image) >= 128 else ""
        self.log("installing version %s, rebooting for %.1f s" % (version, self.args.reboot_seconds))
        with self.lock:
            self.rebooting_until = time.monotonic() + self.args.reboot_seconds
            self.software = self.args.report_version or version
            self.nonce = self.new_nonce()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--address", default="127.0.0.1", help="address to listen on (loopback by default)")
    parser.add_argument("--http-port", type=int, default=80)
    parser.add_argument("--user", default="admin")
    parser.add_argument("--password", default=None, help="protect the pages with Digest authentication")
    parser.add_argument("--realm", default="QEV Device")
    parser.add_argument("--product-name", default="QEV-1040")
    parser.add_argument("--serial", default="QA10400012345")
    parser.add_argument("--mac", default="00:1D:7E:12:34:56")
    parser.add_argument("--hardware-version", default="1.0.2")
    parser.add_argument("--software-version", default="2.9.1(QE)")
    parser.add_argument("--report-version", default=None, help="version to report after the reboot (default: the image's)")
    parser.add_argument("--reboot-seconds", type=float, default=5.0)
    parser.add_argument("--fetch-delay", type=float, default=0.2)
    parser.add_argument("--drop-ack", type=int, default=0, help="lose data block N once (fault injection)")
    parser.add_argument("--keep-alive", type=float, default=0.0, help="keep each connection open this long after the reply")
    parser.add_argument("--lifetime", type=float, default=300.0, help="end after this many seconds")
    parser.add_argument("--transcript", default=None)
    parser.add_argument("--save-image", default=None, help="write each received image to this path plus a counter")
    args = parser.parse_args()
    Device(args).serve_http()


if __name__ == "__main__":
    main()
