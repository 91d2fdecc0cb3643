"""The simulated device's two outputs: JSON lines for the tests, a transcript
for people. Part of tools/device_simulator.py; shares nothing with the
upgrade tool."""
import json
import re
import sys
import threading
import time

# The transcript shows text that peers and command lines chose (request
# lines, page values) and goes to a terminal by default, where control
# characters (C0, DEL, C1) would act as commands: they are written as \xHH.
CONTROL_CHARACTERS = re.compile("[\x00-\x1f\x7f-\x9f]")


def printable(text):
    return CONTROL_CHARACTERS.sub(lambda found: "\\x%02x" % ord(found.group()), text)


class Record:
    """The two outputs: JSON lines for the tests, a transcript for people."""

    def __init__(self, record_path, transcript_path):
        self.start = time.monotonic()
        self.lock = threading.Lock()
        self.record = open(record_path, "a", encoding="utf-8") if record_path else None
        self.transcript = open(transcript_path, "a", encoding="utf-8", errors="backslashreplace") \
            if transcript_path else sys.stderr

    def now(self):
        return round(time.monotonic() - self.start, 3)

    def note(self, text):
        """A transcript line only (single packets, connection details)."""
        with self.lock:
            self.transcript.write("%9.3f %s\n" % (self.now(), printable(text)))
            self.transcript.flush()

    def event(self, event, text, **fields):
        t = self.now()
        with self.lock:
            self.transcript.write("%9.3f %s\n" % (t, printable(text)))
            self.transcript.flush()
            if self.record:
                self.record.write(json.dumps({"t": t, "event": event, **fields}) + "\n")
                self.record.flush()
