"""The simulated device's web server: the status page, Digest challenges,
the upgrade command, and the reboot as seen from the network (connections
refused, or accepted and closed). Part of tools/device_simulator.py; shares
nothing with the upgrade tool."""
import json
import os
import re
import socket
import threading
import time

from device_simulator_tftp import POLL_SECONDS

MAX_CONNECTIONS = 16                      # HTTP connections handled at once
REASONS = {200: "OK", 400: "Bad Request", 401: "Unauthorized", 404: "Not Found"}


class HttpServer:
    def __init__(self, args, record, device):
        self.args, self.record, self.device = args, record, device
        self.listener = None        # None while a reboot refuses connections
        self.rebooted = False       # a reboot started since the serving loop last looked
        self.connections = threading.BoundedSemaphore(MAX_CONNECTIONS)
        device.on_reboot = self.stop_listening

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

    def stop_listening(self):
        """As a reboot starts (under the device's lock): with refuse, from
        now on connections are refused, not accepted and left unanswered.
        Shutting the listener down refuses them at once and wakes its
        accept; the serving loop closes it, even when the reboot is over
        before it looks."""
        self.rebooted = True
        if self.args.reboot_unreachable == "refuse" and self.listener:
            try:
                self.listener.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    def serve(self):
        device = self.device
        self.listener = self.open_listener(self.args.http_port)
        port = self.listener.getsockname()[1]
        self.announce_ready(port)
        was_down = False
        refuse = self.args.reboot_unreachable == "refuse"
        while not device.stopping():
            with device.lock:
                down, rebooted, self.rebooted = device.is_down(), self.rebooted, False
                closing = (down or rebooted) and refuse and self.listener
                if closing:
                    self.listener.close()
                    self.listener = None
            if closing:
                self.record.note("http listener closed: rebooting")
            was_down = was_down or down or rebooted
            if down and refuse:
                time.sleep(POLL_SECONDS)
                continue
            if self.listener is None:
                try:
                    listener = self.open_listener(port)
                except OSError as error:
                    self.record.note("http listener cannot reopen yet: %s" % error)
                    time.sleep(POLL_SECONDS)
                    continue
                with device.lock:
                    if not device.is_down():    # else a reboot started meanwhile
                        self.listener = listener
                if self.listener is None:
                    listener.close()
                    continue
            if was_down and not down:
                device.came_back_up()       # recorded once connections are taken again
            was_down = down
            try:
                connection, peer = self.listener.accept()
            except socket.timeout:
                continue
            except OSError:                 # shut down as a reboot started, or out of descriptors
                if not device.is_down():
                    time.sleep(POLL_SECONDS)
                continue
            self.connections.acquire()
            threading.Thread(target=self.handle_connection, args=(connection, peer), daemon=True).start()
        reason = device.stopping()
        device.join_helpers()
        self.record.event("end", "terminated" if reason == "terminated" else "lifetime over", reason=reason)

    def announce_ready(self, port):
        self.record.event("ready", "http listening on %s:%d" % (self.args.address, port),
                          address=self.args.address, http_port=port, page=self.device.page_values)
        if self.args.ready_file:
            temporary = self.args.ready_file + ".part"
            with open(temporary, "w", encoding="utf-8") as out:
                json.dump({"address": self.args.address, "http_port": port}, out)
            os.replace(temporary, self.args.ready_file)
        print("ready %s:%d" % (self.args.address, port), flush=True)

    def handle_connection(self, connection, peer):
        try:
            held = None
            with connection:
                connection.settimeout(10)
                head = self.read_head(connection)
                accepted = self.answer(connection, peer, head)
                if accepted and self.args.hold_command_reply:
                    held = time.monotonic()
                    self.device.track_helper(threading.current_thread())
                    self.device.start_fetch(accepted)
                    reason = self.hold(accepted[0])
            if held is not None:
                self.record.event("held_reply", "upgrade %d: held command reply closed (%s)" % (
                    accepted[0], reason), upgrade=accepted[0], reason=reason,
                    held_seconds=round(time.monotonic() - held, 3))
            elif accepted:
                self.device.start_fetch(accepted)
        finally:
            self.connections.release()

    def hold(self, upgrade):
        """Waits, the command's connection open, until the device is back up
        from the reboot the fetch brought, or the fetch has ended without
        one, or the simulator stops; returns which."""
        while not (reason := self.device.settled(upgrade) or self.device.stopping()):
            time.sleep(POLL_SECONDS)
        return reason

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
        """Answers one request; returns the accepted upgrade whose fetch is to
        start, or None."""
        lines = head.split("\r\n")
        headers = {}
        for line in lines[1:]:
            name, colon, value = line.partition(":")
            if colon:
                headers.setdefault(name.strip().lower(), value.strip())
        match = re.fullmatch(r"GET (\S+) HTTP/1\.1", lines[0])
        path = match.group(1) if match else None
        seen = {"peer": "%s:%d" % peer, "request": lines[0], "path": path, "host": headers.get("host"),
                "authorization": headers.get("authorization"), "verified": None, "challenge": None}
        if self.device.is_down():
            self.record.event("http", "http from %s:%d: %s -- not answered (rebooting)" % (*peer, lines[0]),
                              **seen, status=None)
            return None
        accepted = None
        if path is None:
            status, body = 400, "<html>400 Bad Request</html>"
        else:
            verified, stale = self.authorize(headers.get("authorization"), path)
            seen["verified"] = verified
            if verified is False:
                status, body = 401, "<html>401 Unauthorized</html>"
                with self.device.lock:
                    seen["challenge"] = self.device.digest.challenge(stale)
            elif path == "/admin/advanced":
                status, body = 200, self.device.status_page()
            elif path.startswith("/admin/upgrade?"):
                status, body, accepted = self.device.upgrade_command(path)
            else:
                status, body = 404, "<html>404 Not Found</html>"
        self.record.event("http", "http from %s:%d: %s%s -> %d" % (
            *peer, lines[0], " (Authorization %s)" % ("verified" if seen["verified"] else "refused")
            if seen["authorization"] else "", status), **seen, status=status)
        extra = ["WWW-Authenticate: " + seen["challenge"]] if seen["challenge"] else []
        self.send_reply(connection, status, body, extra, held=bool(accepted) and self.args.hold_command_reply)
        return accepted

    def authorize(self, authorization, path):
        """(verified, stale): verified is None without a password."""
        device = self.device
        if device.digest is None:
            return None, False
        if authorization is None:
            return False, False
        with device.lock:
            verified, reason, fields = device.digest.check(authorization, path)
            nonce = device.digest.nonce
        self.record.event("digest", "digest %s: %s" % ("verified" if verified else "refused", reason),
                          verified=verified, reason=reason, fields=fields, nonce=nonce)
        return verified, reason == "stale nonce"

    def send_reply(self, connection, status, body, extra, held=False):
        """held: no Content-Length and no "Connection: close", so the reply
        ends only when the connection closes."""
        payload = body.encode("latin-1")
        lines = ["HTTP/1.1 %d %s" % (status, REASONS[status]), "Content-Type: text/html"]
        if not held:
            lines.append("Content-Length: %d" % len(payload))
        if not (self.args.keep_alive or held):
            lines.append("Connection: close")
        lines += extra
        try:
            connection.sendall(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + payload)
            if self.args.keep_alive and not held:
                connection.settimeout(self.args.keep_alive)
                connection.recv(1)
        except OSError:
            pass
