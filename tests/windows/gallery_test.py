#!/usr/bin/env python3
"""Opens one dialog of the Windows program through qev-gallery under Wine
and checks, from another process with qev-automation, what the Win32 front
end really shows:

- the window: a dialog of the modal-frame, caption and close-box style, the
  title its procedure put in, centred on the screen;
- every control of the template description (ui/dialog_templates.def), in
  its order (which is the tab order), of the right window class and styles,
  at its rectangle in dialog units, with its text;
- the texts the procedure put in (ui/dialog_texts.cpp, character for
  character), the drop-down list, the address control, the progress range,
  the icon, the focus and the default push button;
- one piece of behaviour per dialog, driven as a user would: Enter, Esc,
  the close box, typing a password, choosing an address, Cancel of a
  progress dialog with its "User Abort" box, the "Invalid IP Address" box.

A screenshot of each dialog (and of each message box it leads to) is
written to the screenshot directory. Wine runs in the dialog tests' own
prefix (BUILD/wine-prefix-dialogs, ended after each test) on the X display
in $DISPLAY, or on a private Xvfb started (and ended) here. The sample data
is the gallery's (tools/gallery/gallery.cpp)."""
import argparse
import os
import re
import select
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no byte code written into the source tree
from template_description import Failure, c_string, check, read_identifiers, read_templates

WS_POPUP = 0x80000000
WS_CAPTION = 0x00C00000
WS_SYSMENU = 0x00080000
WS_BORDER = 0x00800000
WS_TABSTOP = 0x00010000
WS_EX_CLIENTEDGE = 0x00000200
DS_MODALFRAME = 0x80
ES_CENTER = 0x1
ES_MULTILINE = 0x4
ES_PASSWORD = 0x20
ES_READONLY = 0x800
SS_TYPEMASK = 0x1F
SS_LEFT, SS_CENTER, SS_RIGHT, SS_ICON = 0, 1, 2, 3
CBS_TYPEMASK = 0x3
CBS_DROPDOWNLIST = 0x3
CBS_SORT = 0x100

# The gallery's sample data.
DEVICE_ADDRESS = "192.0.2.55"
LOCAL_ADDRESSES = ["192.0.2.10", "198.51.100.7"]
SERIAL_NUMBER = "QV0C1234567"
MAC_ADDRESS = "00:00:5E:00:53:2A"
HARDWARE_VERSION = "1.0.1"
SOFTWARE_VERSION_BEFORE = "2.4.3(QE)"

# Kind of control in the template description: window class, styles that
# must be set, style bits that must be clear, and whether it has a border.
EDIT_NOTE = ("Edit", ES_MULTILINE | ES_READONLY, ES_PASSWORD, False)
EDIT_ONE_LINE = ("Edit", ES_READONLY, ES_MULTILINE | ES_PASSWORD, False)
KINDS = {
    "PUSHBUTTON": ("Button", 0, 0, None),
    "DEFPUSHBUTTON": ("Button", 0, 0, None),
    "EDIT_NOTE": EDIT_NOTE,
    "EDIT_NOTE_NOTAB": EDIT_NOTE,
    "EDIT_LINE": EDIT_ONE_LINE,
    "EDIT_VALUE": ("Edit", ES_READONLY, ES_MULTILINE | ES_PASSWORD | ES_CENTER, True),
    "EDIT_VALUE_CENTERED": ("Edit", ES_READONLY | ES_CENTER, ES_MULTILINE | ES_PASSWORD, True),
    "EDIT_INPUT": ("Edit", 0, ES_READONLY | ES_MULTILINE | ES_PASSWORD, True),
    "EDIT_PASSWORD": ("Edit", ES_PASSWORD, ES_READONLY | ES_MULTILINE, True),
    "TEXT_LEFT": ("Static", 0, 0, None),
    "TEXT_RIGHT": ("Static", 0, 0, None),
    "TEXT_CENTER": ("Static", 0, 0, None),
    "DROPDOWN": ("ComboBox", 0, CBS_SORT, None),
    "IPADDRESS": ("SysIPAddress32", 0, 0, None),
    # Wine's progress bar draws its own frame and clears the border bits
    # (the resource test checks the template's WS_BORDER).
    "PROGRESS": ("msctls_progress32", 0, 0, None),
    "ICON": ("Static", 0, 0, None),
}
STATIC_ALIGNMENT = {"TEXT_LEFT": SS_LEFT, "TEXT_RIGHT": SS_RIGHT, "TEXT_CENTER": SS_CENTER, "ICON": SS_ICON}
NOT_TAB_STOPS = {"TEXT_LEFT", "TEXT_RIGHT", "TEXT_CENTER", "PROGRESS", "ICON", "EDIT_NOTE_NOTAB"}

DEFAULT_ERROR_CAPTION = "QEV Firwmare Upgrade Error"




# ---- the sources the program is built from --------------------------------

def read_texts(source):
    content = ""
    for path in (("ui", "dialog_texts.cpp"), ("app", "failure_texts.cpp")):
        with open(os.path.join(source, *path)) as texts:
            content += texts.read()
    found = {}
    for name, body in re.findall(r'const char (k\w+)\[\]\s*=\s*((?:\s*"(?:[^"\\]|\\.)*")+)\s*;', content):
        found[name] = "".join(c_string(part) for part in re.findall(r'"(?:[^"\\]|\\.)*"', body))
    return found


def read_products(source):
    with open(os.path.join(source, "image", "product_table.cpp")) as table:
        rows = re.findall(r'\{\s*"(\w+)",\s*(\d+),\s*"([^"]*)",\s*kDevice(\w+)\s*\}', table.read())
    return [(tag, int(length), name, kind.lower()) for tag, length, name, kind in rows]


def read_header(path):
    """The product tag field and the version text of an image's header."""
    with open(path, "rb") as image:
        header = image.read(128)
    version = header[92:].split(b"\0")[0].decode("latin-1")
    return header, version


def identify(header, products):
    """The display name and the class ("adapter", "phone") that the product
    table gives the header's tag."""
    for tag, length, name, kind in products:
        wanted = tag.encode("ascii")[:length].lower()
        got = header[:length]
        if b"\0" not in got and got.lower() == wanted:
            return name, kind
    return "ODM-Product", "adapter"


def display_name(header, products):
    return identify(header, products)[0]


# ---- the display, Wine and the two programs ---------------------------------

def start_xvfb(errors, wrapper=()):
    """Starts an Xvfb on the first free display, its errors to `errors`:
    (the process, ":N"), or (the process, None) when it gave no display
    number within 30 s."""
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen([*wrapper, "Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=errors)
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


class Session:
    def __init__(self, options):
        self.options = options
        self.environment = dict(os.environ)
        self.xvfb = None
        self.gallery = None
        self.gallery_output = None
        self.partial = False  # match window titles by a part of them
        self.prefix = None

    def start_wine(self):
        """The dialog tests' own Wine prefix: its server and desktop are
        ended after each test, which would break the unit tests that run
        beside them in the build's main prefix."""
        self.prefix = os.path.join(self.options.build, "wine-prefix-dialogs")
        self.environment["QEV_WINEPREFIX"] = self.prefix
        prefix_tool = os.path.join(os.path.dirname(os.path.abspath(self.options.wine_run)), "wine_prefix.sh")
        subprocess.run([prefix_tool, self.prefix], env=self.environment, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600, check=True)

    def start_display(self):
        if self.environment.get("DISPLAY"):
            return
        self.xvfb, display = start_xvfb(subprocess.DEVNULL, ["timeout", "900"])
        check(display is not None, "Xvfb did not start")
        self.environment["DISPLAY"] = display

    def wine(self, program, *arguments, timeout=60):
        # Output through files, not pipes: a Wine server started by this
        # program inherits its output and would hold a pipe open long after
        # the program has ended.
        with tempfile.TemporaryFile("w+") as output, tempfile.TemporaryFile("w+") as errors:
            result = subprocess.run([self.options.wine_run, program, *arguments], env=self.environment,
                                    stdin=subprocess.DEVNULL, stdout=output, stderr=errors, timeout=timeout)
            output.seek(0)
            errors.seek(0)
            return subprocess.CompletedProcess(result.args, result.returncode, output.read(), errors.read())

    def automation(self, *arguments, wait=20, allow_failure=False):
        options = ["--wait", str(wait)] + (["--partial"] if self.partial else [])
        result = self.wine(self.options.automation, *options, *arguments)
        if not allow_failure:
            check(result.returncode == 0, "qev-automation %s failed: %s" % (" ".join(arguments), result.stderr.strip()))
        return result

    def dump(self, title):
        return parse_dump(self.automation("dump", title).stdout)

    def start_gallery(self, dialog):
        self.gallery_output = open(os.path.join(self.options.screenshots, "dialog-%d.log" % dialog), "w+")
        self.gallery = subprocess.Popen([self.options.wine_run, self.options.gallery, str(dialog)],
                                        env=self.environment, stdin=subprocess.DEVNULL, stdout=self.gallery_output,
                                        stderr=subprocess.STDOUT, text=True)

    def finish_gallery(self, timeout=30):
        """Waits for the gallery to end; its exit code and its output lines."""
        try:
            code = self.gallery.wait(timeout=timeout)
            self.gallery = None
        except subprocess.TimeoutExpired:
            self.gallery.kill()
            self.gallery.wait()
            raise Failure("the gallery did not end")
        self.gallery_output.seek(0)
        lines = [line.rstrip("\n") for line in self.gallery_output if line.startswith("dialog ")]
        return code, lines

    def screenshot(self, name, window):
        """Saves the part of the screen around the window."""
        path = os.path.join(self.options.screenshots, name + ".png")
        left, top, width, height = window["left"], window["top"], window["width"], window["height"]
        margin = 12
        geometry = "%dx%d+%d+%d" % (width + 2 * margin, height + 2 * margin, max(0, left - margin),
                                    max(0, top - margin))
        subprocess.run(["import", "-display", self.environment["DISPLAY"], "-window", "root", "-crop", geometry,
                        "+repage", path], check=True, timeout=60, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def close(self):
        if self.gallery is not None and self.gallery.poll() is None:
            self.gallery.kill()
            self.gallery.wait()
        if self.gallery_output is not None:
            self.gallery_output.close()
        if self.prefix is not None:
            # Wine's desktop process is bound to the display it started on:
            # the next test starts a fresh server and desktop, on its display.
            subprocess.run(["timeout", "60", "wineserver", "-k"], env=dict(self.environment, WINEPREFIX=self.prefix),
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if self.xvfb is not None:
            self.xvfb.terminate()
            self.xvfb.wait()


def unescape(text):
    escapes = {"\\": "\\", "t": "\t", "r": "\r", "n": "\n"}
    return re.sub(r"\\(.)", lambda m: escapes[m.group(1)], text)


def parse_dump(output):
    dump = {"controls": [], "entries": {}, "selection": {}, "address": {}, "progress": {}, "icons": []}
    for line in output.splitlines():
        fields = line.split("\t")
        record = fields[0]
        if record == "window":
            dump["window"] = {"class": fields[2], "style": int(fields[3], 16), "left": int(fields[4]),
                              "top": int(fields[5]), "width": int(fields[6]), "height": int(fields[7]),
                              "client_width": int(fields[8]), "client_height": int(fields[9]),
                              "title": unescape(fields[10])}
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


def control(dump, identifier):
    matches = [c for c in dump["controls"] if c["id"] == identifier]
    check(len(matches) == 1, "control %d: %d found" % (identifier, len(matches)))
    return matches[0]


def check_text(dump, identifier, expected):
    got = control(dump, identifier)["text"]
    check(got == expected, "control %d shows %r, expected %r" % (identifier, got, expected))


# ---- the checks common to every dialog --------------------------------------

def check_template(dump, template):
    """The window and its controls against the template description."""
    title, width, height, controls = template
    window = dump["window"]
    check(window["class"] == "#32770", "not a dialog: class " + window["class"])
    for bit, name in ((WS_POPUP, "WS_POPUP"), (WS_CAPTION, "WS_CAPTION"), (WS_SYSMENU, "WS_SYSMENU"),
                      (DS_MODALFRAME, "DS_MODALFRAME")):
        check(window["style"] & bit, "dialog style lacks " + name)

    # Dialog units to pixels, from the client area (the template's size).
    scale_x = window["client_width"] / width
    scale_y = window["client_height"] / height

    # Centred on the screen (the arithmetic halving may lose one pixel).
    screen = dump["screen"]
    check(abs(window["left"] - (screen[0] - window["width"]) // 2) <= 1, "not centred horizontally")
    check(abs(window["top"] - (screen[1] - window["height"]) // 2) <= 1, "not centred vertically")

    got = dump["controls"]
    check(len(got) == len(controls), "%d controls, the template has %d" % (len(got), len(controls)))
    for number, (expected, actual) in enumerate(zip(controls, got)):
        kind, identifier, text, rectangle, icon = expected
        where = "control %d (%s %d)" % (number, kind, identifier)
        window_class, set_bits, clear_bits, border = KINDS[kind]
        check(actual["id"] == identifier, "%s: found id %d in its place (tab order)" % (where, actual["id"]))
        check(actual["class"].lower() == window_class.lower(), "%s: class %s" % (where, actual["class"]))
        check(actual["visible"], where + ": not visible")
        style = actual["style"]
        check(style & set_bits == set_bits, "%s: style %08x lacks %08x" % (where, style, set_bits))
        check(style & clear_bits == 0, "%s: style %08x has some of %08x" % (where, style, clear_bits))
        tab_stop = kind not in NOT_TAB_STOPS
        check(bool(style & WS_TABSTOP) == tab_stop, "%s: tab stop %s" % (where, not tab_stop))
        if border is not None:
            # The dialog manager turns WS_BORDER into a sunken client edge.
            has_border = bool(style & WS_BORDER) or bool(actual["exstyle"] & WS_EX_CLIENTEDGE)
            check(has_border == border, "%s: border %s" % (where, has_border))
        if kind in STATIC_ALIGNMENT:
            check(style & SS_TYPEMASK == STATIC_ALIGNMENT[kind], "%s: static type %d" % (where, style & SS_TYPEMASK))
        if kind == "DROPDOWN":
            check(style & CBS_TYPEMASK == CBS_DROPDOWNLIST, where + ": not a drop-down list")
        x, y, w, h = rectangle
        check(abs(actual["x"] - x * scale_x) <= 2 and abs(actual["y"] - y * scale_y) <= 2,
              "%s: at %d,%d px, template %d,%d du" % (where, actual["x"], actual["y"], x, y))
        # An icon control takes its icon's size and a closed drop-down list
        # its edit height; all others keep the template's size.
        if kind not in ("ICON", "DROPDOWN"):
            check(abs(actual["width"] - w * scale_x) <= 2 and abs(actual["height"] - h * scale_y) <= 2,
                  "%s: %dx%d px, template %dx%d du" % (where, actual["width"], actual["height"], w, h))
        # Fixed texts (a static with an identifier gets its text from the code).
        if kind.endswith("BUTTON") or kind.startswith("TEXT") and identifier == 0xFFFF:
            check(actual["text"] == text, "%s: text %r, template %r" % (where, actual["text"], text))
        if kind == "ICON":
            check((identifier, True, icon) in dump["icons"], "%s: icon %d not shown" % (where, icon))

    default_buttons = [identifier for kind, identifier, _, _, _ in controls if kind == "DEFPUSHBUTTON"]
    if default_buttons:
        check(dump["default"] == default_buttons[0], "default push button %d" % dump["default"])


def check_message_box(session, title, text, name):
    """A message box with one OK button; leaves it open."""
    dump = session.dump(title)
    check(dump["window"]["title"] == title, "message box title %r" % dump["window"]["title"])
    texts = [c["text"] for c in dump["controls"]]
    check(text in texts, "message box shows %r, expected %r" % (texts, text))
    buttons = [c for c in dump["controls"] if c["class"].lower() == "button" and c["visible"]]
    check([b["text"] for b in buttons] == ["OK"], "message box buttons %r" % [b["text"] for b in buttons])
    session.screenshot(name, dump["window"])
    return dump


# ---- the dialogs --------------------------------------------------------------

def run_dialog(session, dialog, facts):
    texts, templates = facts["texts"], facts["templates"]
    name, target_version, transition_version = facts["name"], facts["target_version"], facts["transition_version"]
    titles = {
        139: texts["kWarningTitleFormat"].replace("%s", name),
        101: texts["kAddressTitleFormat"].replace("%s", name),
        305: texts["kAddressTitleFormat"].replace("%s", name),
        104: templates[104][0],
        103: texts["kConfirmTitleFormat"].replace("%s", target_version),
        304: texts["kConfirmTitleFormat"].replace("%s", target_version),
        105: texts["kConnectingTitleFormat"].replace("%s", DEVICE_ADDRESS),
        114: templates[114][0],
        110: "Firmware to QEV@" + DEVICE_ADDRESS,  # the transfer changes the rest
        111: texts["kSuccessTitleFormat"].replace("%s", DEVICE_ADDRESS),
    }
    title = titles[dialog]
    session.partial = dialog == 110

    session.start_gallery(dialog)
    dump = session.dump(title)
    session.screenshot("dialog-%d" % dialog, dump["window"])
    if session.partial:
        check(title in dump["window"]["title"], "title %r, expected %r in it" % (dump["window"]["title"], title))
    else:
        check(dump["window"]["title"] == title, "title %r, expected %r" % (dump["window"]["title"], title))
    check_template(dump, templates[dialog])

    if dialog == 139:
        check_text(dump, 1021, texts["kWarningText"])
        check(dump["focus"] == 2, "focus on %d, expected Cancel" % dump["focus"])
        session.automation("key", title, "enter")  # Cancel is the default
        expected_lines = ["dialog 139 result 0"]
    elif dialog in (101, 305):
        check_text(dump, 1007, texts["kAddressIntroText"])
        check_text(dump, 1008, texts["kAdapterHelpText" if dialog == 101 else "kPhoneHelpText"])
        check_text(dump, 1015, texts["kVersionLineFormat"].replace("%s", target_version))
        check(dump["entries"].get(1017) == LOCAL_ADDRESSES, "local addresses %r" % dump["entries"].get(1017))
        check(dump["selection"].get(1017) == 0, "first local address not selected")
        check(dump["address"].get(1000) == ("0.0.0.0", 0), "address control not blank: %r" % (dump["address"],))
        check(dump["focus"] == 1000, "focus on %d, expected the address control" % dump["focus"])
        if dialog == 101:
            session.automation("set-address", title, "1000", "192.0.2.77")
            session.automation("select", title, "1017", "1")
            check(session.dump(title)["address"][1000] == ("192.0.2.77", 4), "address not taken")
            session.automation("click", title, "1")
            expected_lines = ["dialog 101 result 1", re.compile(
                r"dialog address 192\.0\.2\.77 local 198\.51\.100\.7 file /qev[0-9a-f]{1,4}\.bi0$")]
        else:
            # OK with a blank address: the box, owned by the dialog, which stays.
            session.automation("click", title, "1")
            check_message_box(session, texts["kInvalidAddressCaption"], texts["kInvalidAddressText"],
                              "dialog-305-invalid-address")
            session.automation("click", texts["kInvalidAddressCaption"], "1")
            session.automation("wait-gone", texts["kInvalidAddressCaption"])
            check(session.dump(title)["focus"] == 1000, "focus not back on the address control")
            session.automation("close", title)  # the close box
            expected_lines = ["dialog 305 result 0"]
    elif dialog == 104:
        check_text(dump, 1007, texts["kPasswordHelpText"])
        check_text(dump, 1003, texts["kDefaultUserName"])
        check_text(dump, 1005, "")
        check(dump["focus"] == 1005, "focus on %d, expected the password box" % dump["focus"])
        session.automation("set-text", title, "1005", "s3cret!")
        session.automation("click", title, "1")
        expected_lines = ["dialog 104 result 1", "dialog user admin password 7 characters"]
    elif dialog in (103, 304):
        if dialog == 103:
            check_text(dump, 1007, texts["kConfirmText"])
        else:
            note = texts["kConfirmNoteFormat"].replace("%s", texts["kConfirmText"], 1).replace(
                "%s", transition_version, 1)
            check_text(dump, 1007, note)
        for identifier, value in ((1002, SERIAL_NUMBER), (1003, MAC_ADDRESS), (1004, SOFTWARE_VERSION_BEFORE),
                                  (1005, HARDWARE_VERSION), (1006, name)):
            check_text(dump, identifier, value)
        check(dump["focus"] == 1, "focus on %d, expected Upgrade" % dump["focus"])
        if dialog == 103:
            session.automation("key", title, "enter")  # Upgrade is the default
            expected_lines = ["dialog 103 result 1"]
        else:
            session.automation("key", title, "escape")
            expected_lines = ["dialog 304 result 0"]
    elif dialog == 111:
        check_text(dump, 1007, texts["kSuccessText"])
        check_text(dump, 1004, target_version)
        check(dump["focus"] == 1, "focus on %d, expected OK" % dump["focus"])
        session.automation("click", title, "1")
        expected_lines = ["dialog 111 result 1"]
    else:
        check(dump["focus"] == 2, "focus on %d, expected Cancel" % dump["focus"])
        low, high, position = dump["progress"][1010]
        if dialog == 105:
            check((low, high) == (0, 100), "progress range %d..%d" % (low, high))
        elif dialog == 114:
            check((low, high) == (0, 1000), "progress range %d..%d" % (low, high))
            check_text(dump, 1022, texts["kWaitingText"])
        else:
            blocks = facts["target_size"] // 512 + 1
            check((low, high) == (0, blocks), "progress range %d..%d, expected 0..%d" % (low, high, blocks))
        check(low <= position <= high, "progress position %d outside %d..%d" % (position, low, high))
        # Cancel, or for the waiting dialog the close box: the abort.
        if dialog == 114:
            session.automation("close", title)
        else:
            session.automation("click", title, "2")
        check_message_box(session, DEFAULT_ERROR_CAPTION, texts["kFailUserAbort"], "dialog-%d-abort" % dialog)
        session.automation("wait-gone", title)  # destroyed before the box came
        session.automation("click", DEFAULT_ERROR_CAPTION, "1")
        expected_lines = []

    code, lines = session.finish_gallery()
    check(code == 0, "the gallery ended with exit code %d" % code)
    check(len(lines) == len(expected_lines), "gallery printed %r, expected %r" % (lines, expected_lines))
    for line, expected in zip(lines, expected_lines):
        matches = expected.match(line) if hasattr(expected, "match") else line == expected
        check(matches, "gallery printed %r, expected %r" % (line, expected))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--dialog", type=int, required=True)
    parser.add_argument("--gallery", required=True)
    parser.add_argument("--automation", required=True)
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--target-image", required=True)
    parser.add_argument("--transition-image", required=True)
    parser.add_argument("--screenshots", required=True)
    options = parser.parse_args()
    os.makedirs(options.screenshots, exist_ok=True)

    identifiers = read_identifiers(options.source)
    target_header, target_version = read_header(options.target_image)
    _, transition_version = read_header(options.transition_image)
    facts = {
        "templates": read_templates(options.source, identifiers),
        "texts": read_texts(options.source),
        "name": display_name(target_header, read_products(options.source)),
        "target_version": target_version,
        "transition_version": transition_version,
        "target_size": os.path.getsize(options.target_image),
    }
    check(len(facts["templates"]) == 10, "%d templates in the description" % len(facts["templates"]))

    session = Session(options)
    try:
        session.start_wine()
        session.start_display()
        run_dialog(session, options.dialog, facts)
    except (Failure, subprocess.TimeoutExpired, subprocess.CalledProcessError) as failure:
        print("FAILED dialog %d: %s" % (options.dialog, failure))
        return 1
    finally:
        session.close()
    print("dialog %d: as described" % options.dialog)
    return 0


if __name__ == "__main__":
    sys.exit(main())
