"""The simulated device's state and its upgrades: the upgrade command, the
fetch, the install and the reboot that follows, the flood of stray
datagrams. Part of tools/device_simulator.py; shares nothing with the
upgrade tool. Its web server is device_simulator_http.py."""
import re
import threading
import time

from device_simulator_digest import DigestGuard
from device_simulator_flood import Flood
from device_simulator_page import page_values, status_page
from device_simulator_tftp import TftpFetch, is_own_address

UPGRADE_COMMAND = re.compile(r"/admin/upgrade\?tftp://(\d{1,3}(?:\.\d{1,3}){3}):(\d{1,5})(/.*)$")
HEADER_SIZE, VERSION_OFFSET = 128, 92     # the image header and its version text
HELPER_END_SECONDS = 2.0                  # floods and held replies end within this of a stop


class Device:
    def __init__(self, args, record):
        self.args, self.record = args, record
        self.lock = threading.Lock()
        self.deadline = time.monotonic() + args.lifetime
        self.terminated = False     # set by SIGTERM or SIGINT: the serving loop ends
        self.version = args.software_version
        self.page_values = page_values(args)
        self.digest = None
        if args.password is not None:
            self.digest = DigestGuard(args.user, args.password, args.realm, "" if args.qop == "none" else args.qop,
                                      "" if args.algorithm == "none" else args.algorithm, args.opaque, args.nonce,
                                      quote_algorithm=not args.algorithm_unquoted, nextnonce=args.nextnonce)
        self.down_until = 0.0       # monotonic time the reboot ends; inf: stays down
        self.rebooting = None       # the upgrade whose reboot is under way or last ended
        self.back_up_after = 0      # the upgrade whose reboot the device last came back up from
        self.upgrades = 0
        self.installed = 0          # upgrades installed
        self.fetch_ends = {}        # upgrade -> installed | not installed | no fetch, once its fetch is over
        self.fetching = False
        self.helpers = []           # threads of floods and held replies, which end by themselves
        self.on_reboot = lambda: None   # the web server's: called, under the lock, as a reboot starts

    def is_down(self):
        return time.monotonic() < self.down_until

    def stopping(self):
        """terminated, lifetime (over), or None while the device runs."""
        return "terminated" if self.terminated else "lifetime" if time.monotonic() >= self.deadline else None

    def status_page(self):
        with self.lock:
            version, installed = self.version, self.installed
        return status_page(self.page_values, version, self.args.omit_after_upgrade if installed else ())

    def came_back_up(self):
        with self.lock:
            upgrade, version = self.rebooting, self.version
        self.record.event("back_up", "back up, reporting version %s" % version, version=version, upgrade=upgrade)
        with self.lock:
            self.back_up_after = upgrade    # after the event: what waits for this is recorded later

    def track_helper(self, thread):
        with self.lock:
            self.helpers.append(thread)

    def start_helper(self, target, *arguments):
        thread = threading.Thread(target=target, args=arguments, daemon=True)
        self.track_helper(thread)
        thread.start()

    def join_helpers(self):
        """Lets the floods and held replies record their end."""
        with self.lock:
            helpers = list(self.helpers)
        for thread in helpers:
            thread.join(HELPER_END_SECONDS)

    # ---- The upgrade command

    def upgrade_command(self, path):
        """(status, body, upgrade): upgrade is (number, server, name) when the
        command is accepted, for start_fetch, else None."""
        match = UPGRADE_COMMAND.fullmatch(path)
        address, port = (match.group(1), int(match.group(2))) if match else (None, None)
        valid = bool(match) and all(int(part) <= 255 for part in address.split(".")) and 0 < port < 65536
        if not valid:
            self.record.event("upgrade", "upgrade command not understood: %s" % path, address=address,
                              port=port, name=None, upgrade=None, accepted=False, reason="malformed", fetch=False)
            return 400, "<html>400 Bad Request</html>", None
        name = match.group(3)
        fetch = not self.args.no_fetch
        with self.lock:
            busy = self.fetching
            if not busy:
                self.fetching = fetch
                self.upgrades += 1
            upgrade = self.upgrades
        fields = {"address": address, "port": port, "name": name}
        if busy:
            self.record.event("upgrade", "upgrade command ignored: a fetch is under way", **fields,
                              upgrade=None, accepted=False, reason="busy", fetch=False)
            return 200, "<html>Upgrade in progress</html>", None
        self.record.event("upgrade", "upgrade %d: %s %s from %s:%d" % (
            upgrade, "fetch" if fetch else "accepted, but no fetch of", name, address, port),
            **fields, upgrade=upgrade, accepted=True, reason=None, fetch=fetch)
        if not fetch:
            with self.lock:
                self.fetch_ends[upgrade] = "no fetch"
        if self.args.flood:
            self.start_helper(self.flood, upgrade, (address, port))
        return 200, "<html>Upgrade started</html>", (upgrade, (address, port), name)

    def start_fetch(self, accepted):
        if not self.args.no_fetch:
            threading.Thread(target=self.fetch_and_install, args=accepted, daemon=True).start()

    def flood(self, upgrade, server):
        fields = {"upgrade": upgrade, "address": server[0], "port": server[1]}
        if not is_own_address(server[0]):
            self.record.event("flood", "flood: %s is not an address of this machine; nothing sent" % server[0],
                              **fields, sent=0, failed=0, seconds=0.0, source_port=None, reason="refused")
            return
        started = lambda source_port: self.record.event(
            "flood_started", "flood under way from port %d" % source_port, **fields, source_port=source_port)
        result = Flood(self.record, self.args.address, server, self.args.flood, self.stopping, started).run()
        self.record.event("flood", "flood %s: %d datagrams to %s:%d in %.3f s (%d failed)" % (
            result["reason"], result["sent"], *server, result["seconds"], result["failed"]), **fields, **result)

    # ---- The fetch, the install and the reboot

    def fetch_and_install(self, upgrade, server, name):
        ending = "not installed"
        try:
            time.sleep(self.args.fetch_delay)
            if not is_own_address(server[0]):
                self.record.event("tftp", "tftp: %s is not an address of this machine; nothing sent" % server[0],
                                  upgrade=upgrade, outcome="refused")
                return
            faults = {"lose": self.args.lose_ack, "duplicate": self.args.duplicate_ack,
                      "wrong_port": self.args.wrong_port_ack, "stop_at": self.args.stop_at_block,
                      "delay": dict(self.args.ack_delay)}
            fetch = TftpFetch(self.record, self.args.address, server, name, not self.args.plain_rrq, faults,
                              self.args.tftp_silence, self.deadline)
            outcome = fetch.run()
            summary = fetch.summary(outcome)
            oack = "none" if summary["oack_hex"] is None else \
                "as expected" if summary["oack_as_expected"] else "NOT as expected: " + summary["oack_hex"]
            self.record.event("tftp", "tftp %s: %d bytes in %d blocks, sha256 %s, OACK %s, received again %s" % (
                outcome, summary["size"], summary["blocks"], summary["sha256"], oack, summary["resent"] or "none"),
                upgrade=upgrade, **summary)
            if self.install(upgrade, outcome, bytes(fetch.image), summary["tsize"]):
                ending = "installed"
        finally:
            with self.lock:
                self.fetching = False
                self.fetch_ends[upgrade] = ending

    def install(self, upgrade, outcome, image, tsize):
        """True when the image is installed and the reboot has started."""
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
            return False
        if self.args.save_image:
            with open("%s.%d" % (self.args.save_image, upgrade), "wb") as out:
                out.write(image)
        reported = self.args.report_version
        version = reported[upgrade - 1] if upgrade <= len(reported) else image_version
        with self.lock:
            self.down_until = float("inf") if self.args.stay_down else time.monotonic() + self.args.reboot_seconds
            self.rebooting = upgrade
            self.on_reboot()
            self.version = version
            self.installed += 1
            if self.digest and self.args.reboot_nonce == "new":
                self.digest.renew_nonce()
        self.record.event("install", "upgrade %d installed (image version %s); rebooting %s, then reporting %s" % (
            upgrade, image_version, "for good" if self.args.stay_down else "for %.1f s" % self.args.reboot_seconds,
            version), upgrade=upgrade, installed=True, reason=None, image_version=image_version, version=version,
            reboot_seconds=self.args.reboot_seconds, stay_down=self.args.stay_down, nonce=self.args.reboot_nonce,
            omitted=self.args.omit_after_upgrade)
        return True

    def settled(self, upgrade):
        """Why a reply held open for upgrade may now end (back up, fetch
        ended, no fetch), or None while its fetch or reboot goes on."""
        with self.lock:
            ending = self.fetch_ends.get(upgrade)
            if ending == "installed":
                return "back up" if self.back_up_after is not None and self.back_up_after >= upgrade else None
        return None if ending is None else "fetch ended" if ending == "not installed" else ending
