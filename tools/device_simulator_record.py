"""The simulated device's two outputs: JSON lines for the tests, a transcript
for people. Part of tools/device_simulator.py; shares nothing with the
upgrade tool."""
import json
import sys
import threading
import time


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
