"""The support module of the Python tests and tools: what they share of
firmware images, the simulated device, X displays, Wine sessions and the
dumps of qev-automation. Tests find it through PYTHONPATH (CTest sets it to
tools/); scripts in tools/ import it from beside them."""
import collections
import hashlib
import json
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

TOOLS = os.path.dirname(os.path.abspath(__file__))
SIMULATOR = os.path.join(TOOLS, "device_simulator.py")
WINE_RUN = os.path.join(TOOLS, "wine_run.sh")
WINE_PREFIX = os.path.join(TOOLS, "wine_prefix.sh")


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(condition, seconds, what, poll=0.02):
    """The first true result of condition(), asked every `poll` seconds for
    at most `seconds`."""
    deadline = time.monotonic() + seconds
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(poll)


def hold_signals(numbers):
    """From here on these signals are caught and let pass, so that a cleanup
    runs to its end: `timeout` signals a process and then its process group,
    and a signal may come while a normal end is being cleaned up. (Caught,
    not ignored: the programs started meanwhile would inherit an ignored
    signal.)"""
    for number in numbers:
        signal.signal(number, lambda number, frame: None)


def exit_on_signals(numbers, status):
    """The first of these signals ends the program by sys.exit(status(number)),
    so that its finally blocks clean up, the signals held from then on."""
    def end(number, frame):
        hold_signals(numbers)
        sys.exit(status(number))
    for number in numbers:
        signal.signal(number, end)


def rendezvous_directory(name):
    """A private directory for sockets and other rendezvous files, short
    enough wherever the tree is (a Unix socket's path holds at most 107
    bytes): under /tmp, whatever TMPDIR says. The caller removes it."""
    return tempfile.mkdtemp(prefix="qev-%s-" % name, dir="/tmp")


# ---- firmware images -----------------------------------------------------------

HEADER_SIZE = 128
VERSION_OFFSET = 92  # a NUL-terminated text inside the header; the product tag is at offset 0

Image = collections.namedtuple("Image", "header version size sha256")


def read_image(path):
    """The header of an image (its first 128 bytes), its version text, size and SHA-256."""
    with open(path, "rb") as image:
        content = image.read()
    header = content[:HEADER_SIZE]
    version = header[VERSION_OFFSET:].split(b"\0")[0].decode("latin-1")
    return Image(header, version, len(content), hashlib.sha256(content).hexdigest())


# The product family as the tests expect the programs to name it, written out
# here apart from image/product_table.def, which the programs are built from:
# (tag, display name, class) in the order the rows are tried.
EXPECTED_PRODUCTS = [
    ("QAT1040", "QEV-1040", "adapter"), ("QAT2020", "QEV-2020 Plus", "adapter"),
    ("QAT1041", "QEV-1041", "adapter"), ("QPH300E", "QEV-300E Deluxe", "phone"),
    ("QPH2110", "QEV-211", "phone"), ("QPH2200", "QEV-220 Office", "phone"),
    ("QPH300B", "QEV-30B", "phone"), ("QPH300", "QEV-300", "phone"),
    ("QAT1050", "QEV-1050", "adapter"), ("QAT1060", "QEV-1060", "adapter"),
    ("QAT1070", "QEV-1070", "adapter"), ("QAT4000R", "QEV-4KR", "adapter"),
    ("QAT4000", "QEV-4000", "adapter"), ("QGW5000", "QGW5", "adapter"),
    ("QGW6000S", "QGW-6", "adapter"),
]
EXPECTED_FALLBACK = ("ODM-Product", "adapter")


def expected_product(header):
    """The display name and class ("adapter", "phone") the programs should
    give an image header: the first row whose whole tag begins the header,
    ASCII letters in either case; a NUL in the header ends its tag."""
    for tag, name, kind in EXPECTED_PRODUCTS:
        got = header[:len(tag)]
        if b"\0" not in got and got.lower() == tag.encode("ascii").lower():
            return name, kind
    return EXPECTED_FALLBACK


# ---- the simulated device -----------------------------------------------------

class DeviceRecord:
    """What the simulated device saw: its record, JSON lines."""

    def __init__(self, path):
        self.path = path

    def events(self, kind):
        if not os.path.exists(self.path):
            return []
        with open(self.path, encoding="utf-8") as lines:
            return [event for event in map(json.loads, lines) if event["event"] == kind]

    def first(self, kind):
        found = self.events(kind)
        if not found:
            raise AssertionError("no %s event in the device's record" % kind)
        return found[0]

    def wait_for(self, kind, seconds):
        return wait_until(lambda: self.events(kind), seconds, "a %s event in the device's record" % kind)[0]


class SimulatedDevice:
    """tools/device_simulator.py in a process of its own with `options`, its
    record, ready file and transcript in `work`; ready, with its HTTP port
    in `port`, once constructed."""

    def __init__(self, work, options, lifetime, ready_seconds=30, simulator=SIMULATOR):
        self.record = DeviceRecord(os.path.join(work, "record.jsonl"))
        self.transcript_path = os.path.join(work, "device-transcript")
        ready = os.path.join(work, "ready.json")  # written whole (renamed into place)
        self.process = subprocess.Popen(
            [sys.executable, simulator, "--lifetime", str(lifetime), "--record", self.record.path,
             "--ready-file", ready, "--transcript", self.transcript_path, *options],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        try:
            wait_until(lambda: os.path.exists(ready) or self.process.poll() is not None, ready_seconds,
                       "the simulated device")
            check(self.process.poll() is None, "the simulated device ended at once: " + self.transcript())
            with open(ready, encoding="utf-8") as file:
                self.port = json.load(file)["http_port"]
        except BaseException:
            self.stop()
            raise

    def transcript(self):
        if not os.path.exists(self.transcript_path):
            return ""
        with open(self.transcript_path, encoding="utf-8") as text:
            return text.read()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(15)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


# ---- the X display and Wine -------------------------------------------------------

def start_xvfb(errors, lifetime=None, cpu=None):
    """Starts an Xvfb on the first free display, its errors to `errors`,
    ended by `timeout` after `lifetime` seconds and kept on one CPU when
    asked: (the process, ":N"), or (the process, None) when it gave no
    display number within 30 s."""
    wrapper = ["timeout", str(lifetime)] if lifetime else []
    wrapper += ["taskset", "-c", str(cpu)] if cpu is not None else []
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen([*wrapper, "Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,), stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=errors)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + 30
    # Xvfb writes the number when it is ready, or ends and closes the pipe.
    while not number.endswith(b"\n") and select.select([read_end], [], [], max(0, deadline - time.monotonic()))[0]:
        chunk = os.read(read_end, 16)
        if not chunk:
            break
        number += chunk
    os.close(read_end)
    number = number.decode().strip()
    return xvfb, (":" + number if number.isdigit() else None)


class WineSession:
    """Windows programs run through tools/wine_run.sh in one Wine prefix,
    on one X display. start() makes the prefix (tools/wine_prefix.sh), or
    a copy of `template` that no Wine server runs on, and takes the display:
    the caller's $DISPLAY with `use_display` when there is one, else an Xvfb
    of the session's own (its errors to `xvfb_errors`; `lifetime` and `cpu`
    as for start_xvfb). close() ends the prefix's Wine server, removes a
    copied prefix and ends the Xvfb, on every path."""

    def __init__(self, prefix, template=None, use_display=False, xvfb_errors=subprocess.DEVNULL, lifetime=None,
                 cpu=None, wine_run=WINE_RUN):
        self.prefix, self.template, self.wine_run = os.path.abspath(prefix), template, wine_run
        self.use_display, self.xvfb_errors, self.lifetime, self.cpu = use_display, xvfb_errors, lifetime, cpu
        self.environment = dict(os.environ, QEV_WINEPREFIX=self.prefix)
        self.xvfb = None

    def start(self):
        prefix_tool = os.path.join(os.path.dirname(os.path.abspath(self.wine_run)), "wine_prefix.sh")
        subprocess.run([prefix_tool, self.template or self.prefix], stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, timeout=900, check=True)
        if self.template:
            # Hard links but for the registry, which the Wine server rewrites in place.
            subprocess.run(["cp", "-al", self.template, self.prefix], check=True, timeout=120)
            for name in os.listdir(self.template):
                if name.endswith(".reg"):
                    os.unlink(os.path.join(self.prefix, name))
                    shutil.copy(os.path.join(self.template, name), self.prefix)
        if not (self.use_display and os.environ.get("DISPLAY")):
            self.xvfb, display = start_xvfb(self.xvfb_errors, self.lifetime, self.cpu)
            check(display is not None, "Xvfb did not start")
            self.environment["DISPLAY"] = display

    def start_server(self, timeout=300):
        """The prefix's Wine server, started here: Wine makes every socket in
        its server, so it must run in this network namespace. A server of
        the prefix left from an earlier run outside this network would make
        the sockets out there: it is ended first. Wine's own processes start
        with the new server, before any program is timed."""
        self.end_server()
        pin = ["taskset", "-c", str(self.cpu)] if self.cpu is not None else []
        subprocess.run([*pin, self.wine_run, "cmd.exe", "/c", "exit"], env=self.environment, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout)

    def run(self, *arguments, timeout=60):
        """Runs a program to its end: its exit code and its output and errors as texts."""
        # Through files, not pipes: a Wine server started by this program
        # inherits its output and would hold a pipe open long after it ended.
        with tempfile.TemporaryFile("w+") as output, tempfile.TemporaryFile("w+") as errors:
            result = subprocess.run([self.wine_run, *arguments], env=self.environment, stdin=subprocess.DEVNULL,
                                    stdout=output, stderr=errors, timeout=timeout)
            output.seek(0)
            errors.seek(0)
            return subprocess.CompletedProcess(result.args, result.returncode, output.read(), errors.read())

    def popen(self, *arguments, **options):
        return subprocess.Popen([self.wine_run, *arguments], env=self.environment, stdin=subprocess.DEVNULL,
                                **options)

    def end_server(self, prefix=None):
        environment = dict(self.environment, WINEPREFIX=prefix or self.prefix)
        subprocess.run(["timeout", "60", "wineserver", "-k"], env=environment, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close(self):
        if os.path.isdir(self.prefix):
            self.end_server()
            if self.template:
                shutil.rmtree(self.prefix, ignore_errors=True)
        if self.xvfb is not None:
            self.xvfb.terminate()
            self.xvfb.wait(30)
            self.xvfb = None


# ---- qev-automation's dumps (tools/win32_automation) ----------------------------------

def unescape(text):
    escapes = {"\\": "\\", "t": "\t", "r": "\r", "n": "\n"}
    return re.sub(r"\\(.)", lambda m: escapes[m.group(1)], text)


def parse_dump(output):
    """The records of `qev-automation dump`: the window, the screen, the
    focus, the default button, each control and what its kind adds."""
    dump = {"controls": [], "entries": {}, "selection": {}, "address": {}, "progress": {}, "icons": []}
    for line in output.splitlines():
        fields = line.split("\t")
        record = fields[0]
        if record == "window":
            dump["window"] = {"handle": fields[1], "class": fields[2], "style": int(fields[3], 16),
                              "left": int(fields[4]), "top": int(fields[5]), "width": int(fields[6]),
                              "height": int(fields[7]), "client_width": int(fields[8]),
                              "client_height": int(fields[9]), "title": unescape(fields[10])}
        elif record == "screen":
            dump["screen"] = (int(fields[1]), int(fields[2]))
        elif record == "focus":
            dump["focus"] = int(fields[1])
        elif record == "default":
            dump["default"] = int(fields[1])
        elif record == "control":
            dump["controls"].append({"id": int(fields[1]), "class": fields[2], "style": int(fields[3], 16),
                                     "exstyle": int(fields[4], 16), "x": int(fields[5]), "y": int(fields[6]),
                                     "width": int(fields[7]), "height": int(fields[8]), "visible": fields[9] == "1",
                                     "text": unescape(fields[11])})
        elif record == "entry":
            dump["entries"].setdefault(int(fields[1]), []).append(unescape(fields[3]))
        elif record == "selection":
            dump["selection"][int(fields[1])] = int(fields[2])
        elif record == "address":
            dump["address"][int(fields[1])] = (fields[2], int(fields[3]))
        elif record == "progress":
            dump["progress"][int(fields[1])] = (int(fields[2]), int(fields[3]), int(fields[4]))
        elif record == "icon":
            dump["icons"].append((int(fields[1]), fields[2] == "1", int(fields[3])))
    check("window" in dump, "no window in the dump:\n" + output)
    return dump
