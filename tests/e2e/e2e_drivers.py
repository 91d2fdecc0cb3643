"""The three ways the end-to-end cases drive a program, each with the same
steps (e2e_cases.Step): LineDriver answers the POSIX program's line mode
through pipes, ScreenDriver types keys into its full-screen mode in a tmux
terminal of its own, WineDriver clicks the Windows program's dialogs under
Wine with qev-automation. Every wait is bounded; close() ends whatever the
driver started, on every path."""
import os
import re
import shutil
import signal
import subprocess
import threading
import time

# tools/qev_harness.py, on PYTHONPATH (CTest sets it)
from qev_harness import Failure, WineSession, parse_dump, rendezvous_directory, wait_until

DIALOG_SECONDS = 120   # longest wait for a dialog: the reboot wait, verification and a busy machine
EXIT_SECONDS = 120     # longest wait for the program to end after the last step
MESSAGE_PROMPT = "Press Enter for OK: "  # the line mode's message box
SANITIZER_REPORTS = ("Sanitizer", "runtime error:")  # the sanitizer builds' reports


def check_no_sanitizer_report(errors):
    for text in SANITIZER_REPORTS:
        if text in errors:
            raise Failure("a sanitizer report:\n" + errors)


def progress_title(dialog, device):
    return {"connecting": "== Connecting with QEV@" + device,
            "waiting": "== Waiting For Firmware Download Request From QEV ==",
            "upload": "== Uploading Firmware To QEV =="}[dialog]


# ---- line mode ------------------------------------------------------------------

class LineDriver:
    """Standard input and output are pipes, so the program writes each
    dialog as lines ("== TITLE ==", its texts, prompts) and reads answers."""

    def __init__(self, program, work, device):
        self.program, self.device = program, device
        self.output = ""
        self.cursor = 0
        self.ended = False
        self.changed = threading.Condition()
        self.process = None

    def start(self):
        self.started = time.monotonic()
        self.process = subprocess.Popen([self.program], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT, start_new_session=True)
        threading.Thread(target=self.read_output, daemon=True).start()
        self.expect("Continue / Cancel [Cancel]: ", advance=False)
        return time.monotonic() - self.started

    def read_output(self):
        while chunk := os.read(self.process.stdout.fileno(), 65536):
            with self.changed:
                self.output += chunk.decode("latin-1")
                self.changed.notify_all()
        with self.changed:
            self.ended = True
            self.changed.notify_all()

    def expect(self, text, advance=True, seconds=DIALOG_SECONDS):
        """Waits for `text` after the cursor; returns the output from the
        cursor to its end and moves the cursor past it. A message box that
        comes first ends the wait."""
        deadline = time.monotonic() + seconds
        with self.changed:
            while (at := self.output.find(text, self.cursor)) < 0:
                left = deadline - time.monotonic()
                box = self.output.find(MESSAGE_PROMPT, self.cursor) >= 0
                if self.ended or left <= 0 or box:
                    why = "the program ended" if self.ended else "a message box came" if box else "timed out"
                    raise Failure("%r not seen (%s); output after the last step:\n%s" % (
                        text, why, self.output[self.cursor:]))
                self.changed.wait(left)
            end = at + len(text)
            seen = self.output[self.cursor:end]
            if advance:
                self.cursor = end
            return seen

    def send(self, *lines):
        self.process.stdin.write("".join(line + "\n" for line in lines).encode("latin-1"))
        self.process.stdin.flush()

    def warning(self, step):
        return self.answer("Continue / Cancel [Cancel]: ", step.button)

    def address(self, step):
        seen = self.expect("IP address")
        self.send(step.text)
        return seen + self.answer("OK / Cancel [OK]: ", step.button)

    def password(self, step):
        seen = self.answer("User [admin]: ", "admin")
        seen += self.answer("Password: ", step.text)
        return seen + self.answer("OK / Cancel [OK]: ", step.button)

    def confirm(self, step):
        return self.answer("Upgrade / Cancel [Upgrade]: ", step.button)

    def cancel(self, step):
        seen = self.expect(progress_title(step.dialog, self.device))
        self.send("cancel")
        return seen

    def message(self, step):
        return self.answer(MESSAGE_PROMPT, "")

    def success(self, step):
        seen = self.expect("== QEV@%s Upgrade Successful! ==" % self.device)
        return seen + self.answer("OK [OK]: ", "ok")

    def answer(self, prompt, line):
        seen = self.expect(prompt)
        self.send(line)
        return seen

    def finish(self, steps):
        """The exit code once the program has ended by itself; no dialog may
        come after the last step, nor more password dialogs or message boxes
        than the steps answered."""
        self.process.stdin.close()
        try:
            code = self.process.wait(EXIT_SECONDS)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end; output after the last step:\n" + self.output[self.cursor:])
        wait_until(lambda: self.ended, 10, "the end of the program's output")
        check_no_sanitizer_report(self.output)
        rest = self.output[self.cursor:]
        for text in (MESSAGE_PROMPT, "Upgrade Successful!", "[OK]: ", "[Cancel]: ", "[Upgrade]: "):
            if text in rest:
                raise Failure("%r after the last step:\n%s" % (text, rest))
        for title, kind in (("== Enter Password Information ==", "password"), (MESSAGE_PROMPT, "message")):
            shown, answered = self.output.count(title), sum(step.kind == kind for step in steps)
            if shown != answered:
                raise Failure("%d %s dialogs shown, %d expected" % (shown, kind, answered))
        return code

    def transcript(self):
        return self.output

    def close(self):
        if self.process and self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()


# ---- full screen in tmux ----------------------------------------------------------

class ScreenDriver:
    """The program full-screen in an 80 x 24 tmux pane of a server of its
    own; keys as a user types them, the screen read back as text. Each step
    waits for a text that only its dialog shows, acts, and waits until that
    text has gone. The server's socket is in a short private directory: in
    the build tree a deep checkout would make its path too long."""

    MARKERS = {"warning": "WARNING: Forcing", "address": "Please enter IP address",
               "password": "Enter Password Information", "confirm": "Confirm Upgrade to Ver."}

    def __init__(self, program, work, device):
        self.program, self.work, self.device = program, work, device
        self.socket_directory = self.socket = None
        self.exit_file = os.path.join(work, "exit-code")
        self.running = False

    def tmux(self, *arguments):
        return subprocess.run(["tmux", "-S", self.socket, *arguments], stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=30).stdout

    def screen(self):
        return self.tmux("capture-pane", "-p", "-t", "e2e")

    def start(self):
        command = "%s 2>%s; echo $? >%s.part; mv %s.part %s" % (
            self.program, os.path.join(self.work, "errors"), self.exit_file, self.exit_file, self.exit_file)
        self.socket_directory = rendezvous_directory("tmux")
        self.socket = os.path.join(self.socket_directory, "socket")
        self.started = time.monotonic()
        subprocess.run(["tmux", "-S", self.socket, "-f", "/dev/null", "new-session", "-d", "-s", "e2e", "-x", "80",
                        "-y", "24", command], env=dict(os.environ, TERM="xterm-256color"), stdin=subprocess.DEVNULL,
                       check=True, timeout=30)
        self.running = True
        self.wait_for(self.MARKERS["warning"])
        return time.monotonic() - self.started

    def wait_for(self, text, seconds=DIALOG_SECONDS):
        return wait_until(lambda: text in (screen := self.screen()) and screen, seconds, repr(text) + " on the screen")

    def act(self, step, marker, *keys, literal=""):
        seen = self.wait_for(marker)
        if literal:
            self.tmux("send-keys", "-t", "e2e", "-l", literal)
        for key in keys:
            self.tmux("send-keys", "-t", "e2e", key)
        wait_until(lambda: marker not in self.screen(), 30, repr(marker) + " to go")
        return seen

    def warning(self, step):
        return self.act(step, self.MARKERS["warning"], *(["Tab", "Enter"] if step.button == "Continue" else ["Enter"]))

    def address(self, step):
        return self.act(step, self.MARKERS["address"], "Enter" if step.button == "OK" else "Escape", literal=step.text)

    def password(self, step):
        return self.act(step, self.MARKERS["password"], "Enter" if step.button == "OK" else "Escape", literal=step.text)

    def confirm(self, step):
        return self.act(step, self.MARKERS["confirm"], "Enter" if step.button == "Upgrade" else "Escape")

    def cancel(self, step):
        return self.act(step, progress_title(step.dialog, self.device).strip("= "), "Escape")

    def message(self, step):
        return self.act(step, step.text, "Enter")

    def success(self, step):
        title = "QEV@%s Upgrade Successful!" % self.device
        self.wait_for(step.text)
        return self.act(step, title, "Enter")

    def finish(self, steps):
        wait_until(lambda: os.path.exists(self.exit_file), EXIT_SECONDS, "the program to end")
        with open(os.path.join(self.work, "errors"), errors="replace") as errors:
            check_no_sanitizer_report(errors.read())
        with open(self.exit_file) as code:
            return int(code.read())

    def transcript(self):
        return self.screen() if self.running else ""

    def close(self):
        if self.running:
            self.tmux("kill-server")
            self.running = False
        if self.socket_directory:
            shutil.rmtree(self.socket_directory, ignore_errors=True)
            self.socket_directory = None


# ---- Windows under Wine ----------------------------------------------------------

class WineDriver:
    """The Windows program under Wine on an Xvfb display and in a Wine
    prefix of the case's own (a copy of a template prefix that no Wine
    server runs on), so that its Wine server, which creates every socket,
    runs in this case's network namespace. qev-automation finds the dialogs
    by title and clicks them."""

    FIRST_TITLES = " Firmware Upgrade"  # the warning's and the address dialog's
    EXIT_CODE = "qev-exit-code "

    def __init__(self, program, work, device, automation, wine_run, template_prefix):
        self.program, self.work, self.device = program, work, device
        self.automation_program = automation
        self.xvfb_log = open(os.path.join(work, "xvfb.log"), "w")
        self.session = WineSession(os.path.join(work, "wine-prefix"), template=template_prefix,
                                   xvfb_errors=self.xvfb_log, wine_run=wine_run)
        self.process = self.output = None
        self.answered = set()  # handles of the dialogs the steps have answered

    def start(self):
        try:
            self.session.start()
        except Failure as failure:
            with open(self.xvfb_log.name) as log:
                raise Failure("%s: %s" % (failure, log.read()))
        # The Wine server and Wine's own processes first, so that the time
        # to the first dialog is the program's.
        self.session.start_server()
        self.output = open(os.path.join(self.work, "program-output"), "w+")
        self.started = time.monotonic()
        # The exit code as Windows sees it, from a Windows parent. The Unix
        # status of Wine's process can differ: the Wine server kills a process
        # whose Windows threads have all ended and that is still there a
        # second later, which a busy machine can make happen after ExitProcess(0).
        command = "start /wait /unix %s & echo %s!errorlevel!" % (self.program, self.EXIT_CODE)
        self.process = self.session.popen("cmd.exe", "/v:on", "/c", command, stdout=self.output,
                                          stderr=subprocess.STDOUT)
        self.automation("find", self.FIRST_TITLES, partial=True, wait=60)
        return time.monotonic() - self.started

    def automation(self, command, title, *arguments, partial=False, wait=DIALOG_SECONDS):
        """qev-automation COMMAND TITLE ARGUMENTS (TITLE a part of the title
        with `partial`), waiting up to `wait` seconds for the window."""
        options = ["--wait", str(wait)] + (["--partial"] if partial else [])
        result = self.session.run(self.automation_program, *options, command, title, *arguments, timeout=wait + 60)
        if result.returncode != 0:
            raise Failure("qev-automation %s %r failed: %s\nwindows now:\n%s" % (
                command, title, (result.stdout + result.stderr).strip(), self.windows()))
        return result.stdout

    def windows(self):
        return self.session.run(self.automation_program, "list").stdout

    def dialog(self, title, control, partial=False, again=False):
        """Waits for a dialog of that title that has the control and that no
        step has answered yet (a dialog shown again is a new window), or
        with `again` one that stays open for another answer; its texts (the
        title and every control's, escapes undone)."""
        def texts():
            dump = parse_dump(self.automation("dump", title, partial=partial))
            handle = dump["window"]["handle"]
            if handle in self.answered or not any(c["id"] == control for c in dump["controls"]):
                return None
            if not again:
                self.answered.add(handle)
            return "\n".join([dump["window"]["title"]] + [c["text"] for c in dump["controls"]])
        return wait_until(texts, DIALOG_SECONDS, "dialog %r with control %d" % (title, control), poll=0.2)

    def answer(self, title, control, button, partial=False, again=False, fields=()):
        """Waits for the dialog, fills in its fields, presses the button."""
        seen = self.dialog(title, control, partial, again)
        for command, identifier, value in fields:
            self.automation(command, title, str(identifier), value, partial=partial)
        self.automation("click", title, str(button), partial=partial)
        return seen

    def warning(self, step):
        return self.answer(self.FIRST_TITLES, 1021, 1 if step.button == "Continue" else 2, partial=True)

    def address(self, step):
        # After an invalid address the same dialog asks again.
        fields = [("set-address", 1000, step.text)] if step.text else []
        return self.answer(self.FIRST_TITLES, 1000, 1 if step.button == "OK" else 2, True, True, fields)

    def password(self, step):
        return self.answer("Enter Password Information", 1005, 1 if step.button == "OK" else 2,
                           fields=[("set-text", 1005, step.text)])

    def confirm(self, step):
        return self.answer("Confirm Upgrade to Ver.", 1007, 1 if step.button == "Upgrade" else 2, partial=True)

    def cancel(self, step):
        title = {"connecting": "Connecting with QEV@" + self.device, "waiting": "Waiting For Firmware Download",
                 "upload": "Firmware to QEV@" + self.device}[step.dialog]
        return self.answer(title, 2, 2, partial=True)

    def message(self, step):
        return self.answer(step.shows[0], 1, 1)  # its caption

    def success(self, step):
        return self.answer("QEV@%s Upgrade Successful!" % self.device, 1004, 1)

    def finish(self, steps):
        try:
            self.process.wait(EXIT_SECONDS)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end; windows:\n" + self.windows())
        codes = re.findall(self.EXIT_CODE + r"(-?\d+)", self.transcript())
        if len(codes) != 1:
            raise Failure("no exit code reported")
        return int(codes[0])

    def transcript(self):
        if not self.output:
            return ""
        self.output.seek(0)
        return self.output.read()

    def close(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.session.close()
        self.xvfb_log.close()
        if self.output:
            self.output.close()
