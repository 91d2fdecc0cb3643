#!/usr/bin/env python3
"""A simulated QEV device for the end-to-end tests and the demonstration.
Python 3.11, standard library only, written apart from the upgrade tool: it
shares no code with it, so a fault cannot hide in both. Its Digest check is
in device_simulator_digest.py, its TFTP client in device_simulator_tftp.py.

What it does
  HTTP    Listens on --address:--http-port. GET /admin/advanced returns the
          status page ("Product Name:", "MAC Address:", "Software Version:",
          "Hardware Version:", "Serial Number:", each value in the table cell
          after its label). With --password every request needs HTTP Digest
          (RFC 2617); each Authorization line is verified here with hashlib
          (user, realm, nonce, uri = request path, algorithm, opaque, qop, a
          rising nonce count, response), and a wrong one gets a 401 with the
          same nonce (an outdated nonce gets the current one, stale=TRUE).
          Replies end by closing the connection (but see --keep-alive).
  Upgrade GET /admin/upgrade?tftp://A.B.C.D:PORT/NAME is answered 200; then
          the device fetches NAME by TFTP (RFC 1350, options of RFC 2347 and
          2349) from A.B.C.D:PORT, and only from there, and only when that
          address belongs to this machine. It acknowledges an OACK with ACK 0,
          each new block with its ACK and a repeated block with the ACK again,
          and lingers a second after the last block to answer its repeat.
          One fetch at a time; any number in a run (two-stage upgrades).
  Reboot  A complete image of at least 128 bytes whose size matches the
          announced tsize is installed: the device is unreachable for
          --reboot-seconds, then reports the image's version (the
          NUL-terminated text at offset 92 of its 128-byte header) or the
          configured --report-version.

Options (defaults in brackets)
  --address ADDR            listen address [127.0.0.1]
  --http-port PORT          HTTP port, 0 for any free one [80]
  --lifetime SECONDS        the simulator ends itself after this long [300]
  --ready-file PATH         written, as {"address":..,"http_port":..}, once
                            the HTTP port listens; "ready ADDR:PORT" is also
                            printed on standard output then
  --record PATH             what the device saw, as JSON lines (below)
  --transcript PATH         human-readable transcript [standard error]
  --product-name, --serial, --mac, --hardware-version, --software-version
                            the status page's values; --software-version is
                            the version before any upgrade, e.g. "2.9.1(NT)"
  --password TEXT           protect every page with Digest [no protection]
  --user TEXT [admin]  --realm TEXT [QEV Device]
  --qop auth|none [auth]    the challenge's qop (none: no qop parameter)
  --algorithm MD5|MD5-sess|none [MD5]   none: no algorithm parameter
  --opaque TEXT             opaque value; "" for none [a fixed hex text]
  --nonce TEXT              the first nonce [random]
  --reboot-nonce same|new   nonce after each reboot [same]
  --plain-rrq               RRQ without options (just name and "octet")
  --fetch-delay SECONDS     from the upgrade command's reply to the RRQ [0.2]
  --tftp-silence SECONDS    a fetch ends after this long without a packet [5]
  --save-image PREFIX       write each received image to PREFIX.1, PREFIX.2..
  --lose-ack N              do not send the first ACK of block N (repeatable;
                            block 0 is the ACK of the OACK)
  --duplicate-ack N         send the first ACK of block N twice (repeatable)
  --wrong-port-ack N        send the first ACK of block N from another UDP
                            port (repeatable)
  --stop-at-block N         acknowledge nothing from block N on (0: never
                            acknowledge the OACK); the device keeps counting
                            what arrives until --tftp-silence, and installs
                            nothing
  --reboot-seconds SECONDS  unreachable time after an install [5]
  --reboot-unreachable refuse|close   while rebooting, connections are
                            refused (listener closed) or accepted and closed
                            without a reply [refuse]
  --stay-down               after an install the device never comes back
  --report-version TEXT     the n-th use of this option is the version
                            reported after upgrade n (repeatable); upgrades
                            beyond the list report their image's version
  --keep-alive SECONDS      keep each connection open this long after the
                            reply (a server that relies on reply framing) [0]

The record (--record): one JSON object a line, each with "t" (seconds since
the start, monotonic) and "event":
  ready         address, http_port
  http          peer, request (the request line), path, host, authorization
                (the header's value or null), verified (true, false, or null
                when no password is set), status (null: not answered,
                the device was rebooting)
  digest        the check of one Authorization line: verified, reason
                ("verified", "stale nonce", "wrong response", ...), fields
                (its parameters, names in lower case), nonce (the current)
  upgrade       address, port, name, upgrade (1, 2, ..; null when not
                accepted), accepted, reason (malformed | busy | null)
  tftp          upgrade, outcome (complete | stopped | abandoned | error |
                refused | lifetime), rrq_hex, oack_hex (null without OACK),
                oack_count, oack_as_expected (exactly the bytes for the
                size: the received size when complete, else the announced
                tsize), tsize, size, sha256, blocks, resent {block: times
                received again}, resend_gaps_ms {block: [gaps]}, faults
                [{kind, block}], stray_packets, started, last_ack, finished
  install       upgrade, installed, reason, image_version, version
                (reported after the reboot), reboot_seconds, stay_down, nonce
  back_up       version (the reboot is over)
  end           reason (lifetime | terminated)
"""
import argparse
import json
import os
import re
import signal
import socket
import sys
import threading
import time

sys.dont_write_bytecode = True  # no byte code written into the source tree
from device_simulator_digest import DigestGuard
from device_simulator_tftp import POLL_SECONDS, TftpFetch, is_own_address

STATUS_PAGE = """<html><head><title>QEV Status</title></head><body>
<table>
<tr><td>Product Name:</td><td>{product}</td></tr>
<tr><td>Serial Number:</td><td>{serial}</td></tr>
<tr><td>MAC Address:</td><td>{mac}</td></tr>
<tr><td>Hardware Version:</td><td>{hardware}</td></tr>
<tr><td>Software Version:</td><td>{software}</td></tr>
</table></body></html>
"""
UPGRADE_COMMAND = re.compile(r"/admin/upgrade\?tftp://(\d{1,3}(?:\.\d{1,3}){3}):(\d{1,5})(/.*)$")
HEADER_SIZE, VERSION_OFFSET = 128, 92     # the image header and its version text
MAX_CONNECTIONS = 16                      # HTTP connections handled at once


class Record:
    """The two outputs: JSON lines for the tests, a transcript for people."""

    def __init__(self, record_path, transcript_path):
        self.start = time.monotonic()
        self.lock = threading.Lock()
        self.record = open(record_path, "a", encoding="utf-8") if record_path else None
        self.transcript = open(transcript_path, "a", encoding="utf-8") if transcript_path else sys.stderr

    def now(self):
        return round(time.monotonic() - self.start, 3)

    def note(self, text):
        """A transcript line only (single packets, connection details)."""
        with self.lock:
            self.transcript.write("%9.3f %s\n" % (self.now(), text))
            self.transcript.flush()

    def event(self, event, text, **fields):
        t = self.now()
        with self.lock:
            self.transcript.write("%9.3f %s\n" % (t, text))
            self.transcript.flush()
            if self.record:
                self.record.write(json.dumps({"t": t, "event": event, **fields}) + "\n")
                self.record.flush()


# ---- The device ----------------------------------------------------------------

class Device:
    def __init__(self, args, record):
        self.args, self.record = args, record
        self.lock = threading.Lock()
        self.deadline = time.monotonic() + args.lifetime
        self.version = args.software_version
        self.digest = None
        if args.password is not None:
            self.digest = DigestGuard(args.user, args.password, args.realm, "" if args.qop == "none" else args.qop,
                                      "" if args.algorithm == "none" else args.algorithm, args.opaque, args.nonce)
        self.down_until = 0.0       # monotonic time the reboot ends; inf: stays down
        self.upgrades = 0
        self.fetching = False
        self.connections = threading.BoundedSemaphore(MAX_CONNECTIONS)
        self.terminated = False     # set by SIGTERM or SIGINT: the serving loop ends

    def is_down(self):
        return time.monotonic() < self.down_until

    # ---- HTTP server

    def open_listener(self, port):
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            listener.bind((self.args.address, port))
            listener.listen(8)
        except OSError:
            listener.close()
            raise
        listener.settimeout(POLL_SECONDS)
        return listener

    def serve(self):
        listener = self.open_listener(self.args.http_port)
        port = listener.getsockname()[1]
        self.announce_ready(port)
        was_down = False
        while time.monotonic() < self.deadline and not self.terminated:
            down = self.is_down()
            if down and self.args.reboot_unreachable == "refuse":
                if listener:
                    listener.close()
                    listener = None
                    self.record.note("http listener closed: rebooting")
                was_down = True
                time.sleep(POLL_SECONDS)
                continue
            if was_down and not down:
                self.record.event("back_up", "back up, reporting version %s" % self.version, version=self.version)
            was_down = down
            if listener is None:
                try:
                    listener = self.open_listener(port)
                except OSError as error:
                    self.record.note("http listener cannot reopen yet: %s" % error)
                    time.sleep(POLL_SECONDS)
                    continue
            try:
                connection, peer = listener.accept()
            except socket.timeout:
                continue
            self.connections.acquire()
            threading.Thread(target=self.handle_connection, args=(connection, peer), daemon=True).start()
        if self.terminated:
            self.record.event("end", "terminated", reason="terminated")
        else:
            self.record.event("end", "lifetime over", reason="lifetime")

    def announce_ready(self, port):
        self.record.event("ready", "http listening on %s:%d" % (self.args.address, port),
                          address=self.args.address, http_port=port)
        if self.args.ready_file:
            temporary = self.args.ready_file + ".part"
            with open(temporary, "w", encoding="utf-8") as out:
                json.dump({"address": self.args.address, "http_port": port}, out)
            os.replace(temporary, self.args.ready_file)
        print("ready %s:%d" % (self.args.address, port), flush=True)

    def handle_connection(self, connection, peer):
        try:
            with connection:
                connection.settimeout(10)
                head = self.read_head(connection)
                after = self.answer(connection, peer, head)
            if after:
                after()
        finally:
            self.connections.release()

    @staticmethod
    def read_head(connection):
        head = b""
        while b"\r\n\r\n" not in head and len(head) < 65536:
            try:
                chunk = connection.recv(4096)
            except OSError:
                break
            if not chunk:
                break
            head += chunk
        return head.decode("latin-1").split("\r\n\r\n", 1)[0]

    def answer(self, connection, peer, head):
        """Answers one request; returns what to do after the connection is
        closed (the fetch of an upgrade), or None."""
        lines = head.split("\r\n")
        headers = {}
        for line in lines[1:]:
            name, colon, value = line.partition(":")
            if colon:
                headers.setdefault(name.strip().lower(), value.strip())
        match = re.fullmatch(r"GET (\S+) HTTP/1\.1", lines[0])
        path = match.group(1) if match else None
        seen = {"peer": "%s:%d" % peer, "request": lines[0], "path": path, "host": headers.get("host"),
                "authorization": headers.get("authorization"), "verified": None}
        if self.is_down():
            self.record.event("http", "http from %s:%d: %s -- not answered (rebooting)" % (*peer, lines[0]),
                              **seen, status=None)
            return None
        extra, after = [], None
        if path is None:
            status, body = 400, "<html>400 Bad Request</html>"
        else:
            verified, stale = self.authorize(headers.get("authorization"), path)
            seen["verified"] = verified
            if verified is False:
                status, body = 401, "<html>401 Unauthorized</html>"
                with self.lock:
                    extra = ["WWW-Authenticate: " + self.digest.challenge(stale)]
            elif path == "/admin/advanced":
                status, body = 200, self.status_page()
            elif path.startswith("/admin/upgrade?"):
                status, body, after = self.upgrade_command(path)
            else:
                status, body = 404, "<html>404 Not Found</html>"
        self.record.event("http", "http from %s:%d: %s%s -> %d" % (
            *peer, lines[0], " (Authorization %s)" % ("verified" if seen["verified"] else "refused")
            if seen["authorization"] else "", status), **seen, status=status)
        self.send_reply(connection, status, body, extra)
        return after

    def authorize(self, authorization, path):
        """(verified, stale): verified is None without a password."""
        if self.digest is None:
            return None, False
        if authorization is None:
            return False, False
        with self.lock:
            verified, reason, fields = self.digest.check(authorization, path)
            nonce = self.digest.nonce
        self.record.event("digest", "digest %s: %s" % ("verified" if verified else "refused", reason),
                          verified=verified, reason=reason, fields=fields, nonce=nonce)
        return verified, reason == "stale nonce"

    def status_page(self):
        args = self.args
        with self.lock:
            version = self.version
        return STATUS_PAGE.format(product=args.product_name, serial=args.serial, mac=args.mac,
                                  hardware=args.hardware_version, software=version)

    def send_reply(self, connection, status, body, extra):
        reasons = {200: "OK", 400: "Bad Request", 401: "Unauthorized", 404: "Not Found"}
        payload = body.encode("latin-1")
        lines = ["HTTP/1.1 %d %s" % (status, reasons[status]), "Content-Type: text/html",
                 "Content-Length: %d" % len(payload)]
        if not self.args.keep_alive:
            lines.append("Connection: close")
        lines += extra
        try:
            connection.sendall(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + payload)
            if self.args.keep_alive:
                connection.settimeout(self.args.keep_alive)
                connection.recv(1)
        except OSError:
            pass

    # ---- Upgrade and reboot

    def upgrade_command(self, path):
        match = UPGRADE_COMMAND.fullmatch(path)
        address, port = (match.group(1), int(match.group(2))) if match else (None, None)
        valid = bool(match) and all(int(part) <= 255 for part in address.split(".")) and 0 < port < 65536
        if not valid:
            self.record.event("upgrade", "upgrade command not understood: %s" % path, address=address,
                              port=port, name=None, upgrade=None, accepted=False, reason="malformed")
            return 400, "<html>400 Bad Request</html>", None
        name = match.group(3)
        with self.lock:
            busy = self.fetching
            if not busy:
                self.fetching = True
                self.upgrades += 1
            upgrade = self.upgrades
        fields = {"address": address, "port": port, "name": name}
        if busy:
            self.record.event("upgrade", "upgrade command ignored: a fetch is under way", **fields,
                              upgrade=None, accepted=False, reason="busy")
            return 200, "<html>Upgrade in progress</html>", None
        self.record.event("upgrade", "upgrade %d: fetch %s from %s:%d" % (upgrade, name, address, port),
                          **fields, upgrade=upgrade, accepted=True, reason=None)
        start = lambda: threading.Thread(target=self.fetch_and_install, args=(upgrade, (address, port), name),
                                         daemon=True).start()
        return 200, "<html>Upgrade started</html>", start

    def fetch_and_install(self, upgrade, server, name):
        try:
            time.sleep(self.args.fetch_delay)
            if not is_own_address(server[0]):
                self.record.event("tftp", "tftp: %s is not an address of this machine; nothing sent" % server[0],
                                  upgrade=upgrade, outcome="refused")
                return
            faults = {"lose": self.args.lose_ack, "duplicate": self.args.duplicate_ack,
                      "wrong_port": self.args.wrong_port_ack, "stop_at": self.args.stop_at_block}
            fetch = TftpFetch(self.record, self.args.address, server, name, not self.args.plain_rrq, faults,
                              self.args.tftp_silence, self.deadline)
            outcome = fetch.run()
            summary = fetch.summary(outcome)
            oack = "none" if summary["oack_hex"] is None else \
                "as expected" if summary["oack_as_expected"] else "NOT as expected: " + summary["oack_hex"]
            self.record.event("tftp", "tftp %s: %d bytes in %d blocks, sha256 %s, OACK %s, received again %s" % (
                outcome, summary["size"], summary["blocks"], summary["sha256"], oack, summary["resent"] or "none"),
                upgrade=upgrade, **summary)
            self.install(upgrade, outcome, bytes(fetch.image), summary["tsize"])
        finally:
            with self.lock:
                self.fetching = False

    def install(self, upgrade, outcome, image, tsize):
        reason = None
        if outcome != "complete":
            reason = "transfer %s" % outcome
        elif len(image) < HEADER_SIZE:
            reason = "image shorter than its header"
        elif tsize is not None and tsize != len(image):
            reason = "announced tsize %d, received %d" % (tsize, len(image))
        image_version = image[VERSION_OFFSET:HEADER_SIZE].split(b"\0", 1)[0].decode("latin-1") \
            if len(image) >= HEADER_SIZE else None
        if reason:
            self.record.event("install", "upgrade %d not installed: %s" % (upgrade, reason), upgrade=upgrade,
                              installed=False, reason=reason, image_version=image_version)
            return
        if self.args.save_image:
            with open("%s.%d" % (self.args.save_image, upgrade), "wb") as out:
                out.write(image)
        reported = self.args.report_version
        version = reported[upgrade - 1] if upgrade <= len(reported) else image_version
        with self.lock:
            self.down_until = float("inf") if self.args.stay_down else time.monotonic() + self.args.reboot_seconds
            self.version = version
            if self.digest and self.args.reboot_nonce == "new":
                self.digest.renew_nonce()
        self.record.event("install", "upgrade %d installed (image version %s); rebooting %s, then reporting %s" % (
            upgrade, image_version, "for good" if self.args.stay_down else "for %.1f s" % self.args.reboot_seconds,
            version), upgrade=upgrade, installed=True, reason=None, image_version=image_version, version=version,
            reboot_seconds=self.args.reboot_seconds, stay_down=self.args.stay_down, nonce=self.args.reboot_nonce)


def parse_arguments(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    add = parser.add_argument
    add("--address", default="127.0.0.1")
    add("--http-port", type=int, default=80)
    add("--lifetime", type=float, default=300.0)
    add("--ready-file")
    add("--record")
    add("--transcript")
    add("--product-name", default="QEV-1040")
    add("--serial", default="QA10400012345")
    add("--mac", default="00:00:5E:00:53:10")
    add("--hardware-version", default="1.0.2")
    add("--software-version", default="2.9.1(QE)")
    add("--password")
    add("--user", default="admin")
    add("--realm", default="QEV Device")
    add("--qop", choices=["auth", "none"], default="auth")
    add("--algorithm", choices=["MD5", "MD5-sess", "none"], default="MD5")
    add("--opaque", default="5ccc069c403ebaf9f0171e9517f40e41")
    add("--nonce")
    add("--reboot-nonce", choices=["same", "new"], default="same")
    add("--plain-rrq", action="store_true")
    add("--fetch-delay", type=float, default=0.2)
    add("--tftp-silence", type=float, default=5.0)
    add("--save-image")
    add("--lose-ack", type=int, action="append", default=[])
    add("--duplicate-ack", type=int, action="append", default=[])
    add("--wrong-port-ack", type=int, action="append", default=[])
    add("--stop-at-block", type=int)
    add("--reboot-seconds", type=float, default=5.0)
    add("--reboot-unreachable", choices=["refuse", "close"], default="refuse")
    add("--stay-down", action="store_true")
    add("--report-version", action="append", default=[])
    add("--keep-alive", type=float, default=0.0)
    return parser.parse_args(argv)


def main():
    args = parse_arguments()
    record = Record(args.record, args.transcript)
    device = Device(args, record)

    # Only a flag, which the serving loop reads at least every POLL_SECONDS:
    # an exception raised from a signal handler lands wherever the main
    # thread happens to be, and where exceptions are ignored (a weak
    # reference's callback during garbage collection) it was lost, and the
    # simulator served on until its lifetime was over.
    def terminate(signum, frame):
        device.terminated = True

    signal.signal(signal.SIGTERM, terminate)
    signal.signal(signal.SIGINT, terminate)
    device.serve()
    os._exit(0)   # the connection and fetch threads end with the process


if __name__ == "__main__":
    main()
