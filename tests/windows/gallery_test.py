#!/usr/bin/env python3
"""Opens one dialog of the Windows program through qev-gallery under Wine
and checks, from another process with qev-automation, what the Win32 front
end really shows:

- the window: a dialog of the modal-frame, caption and close-box style, the
  title its procedure put in, centred on the screen;
- every control of the template description (ui/dialog_templates.def), in
  its order (which is the tab order), of the right window class and styles,
  at its rectangle in dialog units, with its text;
- the texts the procedure put in (expected_texts.py, character for
  character), the drop-down list, the address control, the progress range,
  the icon, the focus and the default push button;
- one piece of behaviour per dialog, driven as a user would: Enter, Esc,
  the close box, typing a password, choosing an address, Cancel of a
  progress dialog with its "User Abort" box, the "Invalid IP Address" box.

A screenshot of each dialog (and of each message box it leads to) is
written to the screenshot directory. Wine runs in the dialog tests' own
prefix (BUILD/wine-prefix-dialogs, ended after each test) on the X display
in $DISPLAY, or on a private Xvfb started (and ended) here. The sample data
is the gallery's (tools/gallery/gallery.cpp). The support module
(tools/qev_harness.py) comes through PYTHONPATH."""
import argparse
import os
import re
import subprocess
import sys

sys.dont_write_bytecode = True  # no byte code written into the source tree
import expected_texts as texts
from qev_harness import Failure, WineSession, check, expected_product, parse_dump, read_image
from template_description import read_identifiers, read_templates

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

class Session:
    def __init__(self, options):
        self.options = options
        # The dialog tests' own Wine prefix: its server and desktop are ended
        # after each test, which would break the unit tests that run beside
        # them in the build's main prefix.
        self.wine = WineSession(os.path.join(options.build, "wine-prefix-dialogs"), use_display=True, lifetime=900,
                                wine_run=options.wine_run)
        self.environment = self.wine.environment
        self.gallery = None
        self.gallery_output = None
        self.partial = False  # match window titles by a part of them

    def automation(self, *arguments, wait=20, allow_failure=False):
        options = ["--wait", str(wait)] + (["--partial"] if self.partial else [])
        result = self.wine.run(self.options.automation, *options, *arguments)
        if not allow_failure:
            check(result.returncode == 0, "qev-automation %s failed: %s" % (" ".join(arguments), result.stderr.strip()))
        return result

    def dump(self, title):
        return parse_dump(self.automation("dump", title).stdout)

    def start_gallery(self, dialog):
        self.gallery_output = open(os.path.join(self.options.screenshots, "dialog-%d.log" % dialog), "w+")
        self.gallery = self.wine.popen(self.options.gallery, str(dialog), stdout=self.gallery_output,
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
        # Wine's desktop process is bound to the display it started on: the
        # next test starts a fresh server and desktop, on its display.
        self.wine.close()


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
    templates = facts["templates"]
    name, target_version, transition_version = facts["name"], facts["target_version"], facts["transition_version"]
    titles = {
        139: texts.WARNING_TITLE % name,
        101: texts.ADDRESS_TITLE % name,
        305: texts.ADDRESS_TITLE % name,
        104: texts.PASSWORD_TITLE,
        103: texts.CONFIRM_TITLE % target_version,
        304: texts.CONFIRM_TITLE % target_version,
        105: texts.CONNECTING_TITLE % DEVICE_ADDRESS,
        114: texts.WAITING_TITLE,
        110: texts.UPLOAD_TITLE_PART % DEVICE_ADDRESS,
        111: texts.SUCCESS_TITLE % DEVICE_ADDRESS,
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
        check_text(dump, 1021, texts.WARNING_TEXT)
        check(dump["focus"] == 2, "focus on %d, expected Cancel" % dump["focus"])
        session.automation("key", title, "enter")  # Cancel is the default
        expected_lines = ["dialog 139 result 0"]
    elif dialog in (101, 305):
        check_text(dump, 1007, texts.ADDRESS_INTRO_TEXT)
        check_text(dump, 1008, texts.ADAPTER_HELP_TEXT if dialog == 101 else texts.PHONE_HELP_TEXT)
        check_text(dump, 1015, texts.VERSION_LINE % target_version)
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
            check_message_box(session, texts.INVALID_ADDRESS_CAPTION, texts.INVALID_ADDRESS_TEXT,
                              "dialog-305-invalid-address")
            session.automation("click", texts.INVALID_ADDRESS_CAPTION, "1")
            session.automation("wait-gone", texts.INVALID_ADDRESS_CAPTION)
            check(session.dump(title)["focus"] == 1000, "focus not back on the address control")
            session.automation("close", title)  # the close box
            expected_lines = ["dialog 305 result 0"]
    elif dialog == 104:
        check_text(dump, 1007, texts.PASSWORD_HELP_TEXT)
        check_text(dump, 1003, texts.DEFAULT_USER_NAME)
        check_text(dump, 1005, "")
        check(dump["focus"] == 1005, "focus on %d, expected the password box" % dump["focus"])
        session.automation("set-text", title, "1005", "s3cret!")
        session.automation("click", title, "1")
        expected_lines = ["dialog 104 result 1", "dialog user admin password 7 characters"]
    elif dialog in (103, 304):
        if dialog == 103:
            check_text(dump, 1007, texts.CONFIRM_TEXT)
        else:
            check_text(dump, 1007, texts.CONFIRM_TWO_STAGE_TEXT % transition_version)
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
        check_text(dump, 1007, texts.SUCCESS_TEXT)
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
            check_text(dump, 1022, texts.WAITING_TEXT)
        else:
            blocks = facts["target_size"] // 512 + 1
            check((low, high) == (0, blocks), "progress range %d..%d, expected 0..%d" % (low, high, blocks))
        check(low <= position <= high, "progress position %d outside %d..%d" % (position, low, high))
        # Cancel, or for the waiting dialog the close box: the abort.
        if dialog == 114:
            session.automation("close", title)
        else:
            session.automation("click", title, "2")
        check_message_box(session, texts.ERROR_CAPTION, texts.USER_ABORT_TEXT, "dialog-%d-abort" % dialog)
        session.automation("wait-gone", title)  # destroyed before the box came
        session.automation("click", texts.ERROR_CAPTION, "1")
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

    target = read_image(options.target_image)
    facts = {
        "templates": read_templates(options.source, read_identifiers(options.source)),
        "name": expected_product(target.header)[0],
        "target_version": target.version,
        "transition_version": read_image(options.transition_image).version,
        "target_size": target.size,
    }
    check(len(facts["templates"]) == 10, "%d templates in the description" % len(facts["templates"]))

    session = Session(options)
    try:
        session.wine.start()
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
