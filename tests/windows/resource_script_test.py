#!/usr/bin/env python3
"""Compiles the resource script (ui/qev_upgrade.rc) with the build's resource
compiler, reads the compiled resources back and holds them against the
template description (ui/dialog_templates.def) that the script expands:

- exactly the ten dialogs, each a classic DIALOG of the modal-frame, pop-up,
  caption and close-box style (never visible by itself), with its title,
  its size and the 8-point "MS Sans Serif" font;
- each control in the described order, with its identifier, window class,
  the exact style of its kind, its rectangle and its text;
- the two icon groups, each one 32 x 32 image of 16 colours, and the icon
  controls naming them.

Usage: resource_script_test.py --windres WINDRES --source SOURCE_DIR --work DIR"""
import argparse
import os
import re
import subprocess
import sys

sys.dont_write_bytecode = True  # no byte code written into the source tree
from qev_harness import Failure, check  # tools/, on PYTHONPATH (CTest sets it)
from template_description import read_identifiers, read_templates

WS_CHILD_VISIBLE = 0x50000000
DIALOG_STYLE = 0x80C800C0  # WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT

# Each kind of the description: window class and the whole style of the
# control (WS_CHILD | WS_VISIBLE and the kind's own bits).
KINDS = {
    "PUSHBUTTON": ("BUTTON", 0x00010000),           # WS_TABSTOP | BS_PUSHBUTTON
    "DEFPUSHBUTTON": ("BUTTON", 0x00010001),        # WS_TABSTOP | BS_DEFPUSHBUTTON
    "EDIT_NOTE": ("EDIT", 0x00010804),              # WS_TABSTOP | ES_READONLY | ES_MULTILINE
    "EDIT_NOTE_NOTAB": ("EDIT", 0x00000804),        # ES_READONLY | ES_MULTILINE
    "EDIT_LINE": ("EDIT", 0x00010880),              # WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL
    "EDIT_VALUE": ("EDIT", 0x00810880),             # the same with WS_BORDER
    "EDIT_VALUE_CENTERED": ("EDIT", 0x00810881),    # ... and ES_CENTER
    "EDIT_INPUT": ("EDIT", 0x00810080),             # WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL
    "EDIT_PASSWORD": ("EDIT", 0x008100A0),          # the same with ES_PASSWORD
    "TEXT_LEFT": ("STATIC", 0x00000000),            # SS_LEFT (wraps at words)
    "TEXT_RIGHT": ("STATIC", 0x00000002),           # SS_RIGHT
    "TEXT_CENTER": ("STATIC", 0x00000001),          # SS_CENTER
    "DROPDOWN": ("COMBOBOX", 0x00210003),           # WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST, unsorted
    "IPADDRESS": ("SYSIPADDRESS32", 0x00010000),    # WS_TABSTOP
    "PROGRESS": ("MSCTLS_PROGRESS32", 0x00800000),  # WS_BORDER
    "ICON": ("STATIC", 0x00000003),                 # SS_ICON
}

DIALOG_HEAD = re.compile(r"^(\d+) DIALOG (?:[A-Z]+ )*(-?\d+), (-?\d+), (\d+), (\d+)$")
CONTROL = re.compile(r'^CONTROL ("(?:[^"\\]|\\.)*"|\d+), (\d+), "([^"]+)", (0x[0-9a-f]+)L?, '
                     r"(-?\d+), (-?\d+), (\d+), (\d+)$")
ICON_ELEMENT = re.compile(r'"\\(\d{3})\\(\d{3})\\(\d{3})\\(\d{3})", (\d+), (\d+),')


def decompile(windres, source, work):
    """The resource script compiled, then written back as resource text."""
    compiled = os.path.join(work, "qev_upgrade.res")
    subprocess.run([windres, "-I", source, "-O", "res", "-i", os.path.join(source, "ui", "qev_upgrade.rc"),
                    "-o", compiled], check=True, timeout=120)
    result = subprocess.run([windres, "-J", "res", "-O", "rc", "-i", compiled], check=True, timeout=120,
                            stdout=subprocess.PIPE, text=True, encoding="latin-1")
    return result.stdout


def parse_dialogs(text):
    """{id: {"rectangle", "style", "caption", "font", "controls": [...]}} from decompiled text."""
    dialogs = {}
    current = None
    for raw in text.splitlines():
        line = raw.strip()
        head = DIALOG_HEAD.match(line)
        if head:
            current = {"rectangle": tuple(int(v) for v in head.group(2, 3, 4, 5)), "controls": []}
            dialogs[int(head.group(1))] = current
        elif current is None:
            continue
        elif line.startswith("STYLE "):
            current["style"] = int(line.split()[1].rstrip("L"), 16)
        elif line.startswith("EXSTYLE "):
            current["exstyle"] = int(line.split()[1].rstrip("L"), 16)
        elif line.startswith("CAPTION "):
            current["caption"] = line[len("CAPTION "):]
        elif line.startswith("FONT "):
            current["font"] = line[len("FONT "):]
        elif line.startswith("CONTROL "):
            control = CONTROL.match(line)
            check(control is not None, "unexpected control line: " + line)
            current["controls"].append(control.groups())
        elif line == "END":
            current = None
        elif line not in ("BEGIN",) and not line.startswith(("MENU ", "CLASS ", "LANGUAGE ")):
            raise Failure("unexpected line in a dialog: " + line)
    return dialogs


def parse_icon_groups(text):
    """{group id: [(width, height, colours, planes, bits)]} from decompiled text."""
    groups = {}
    parts = re.split(r"\n(?=/\* Name: |\d+ \d+ /\* RT_)", text)
    for part in parts:
        header = re.search(r"^(\d+) 14 /\* RT_GROUP_ICON \*/", part, re.M)
        if not header:
            continue
        groups[int(header.group(1))] = [
            (int(w, 8), int(h, 8), int(c, 8), int(planes), int(bits))
            for w, h, c, _, planes, bits in ICON_ELEMENT.findall(part)]
    return groups


def quoted(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def check_dialogs(dialogs, templates):
    check(sorted(dialogs) == sorted(templates),
          "dialogs %s, the description has %s" % (sorted(dialogs), sorted(templates)))
    for dialog, (title, width, height, controls) in templates.items():
        got = dialogs[dialog]
        where = "dialog %d" % dialog
        check(got["rectangle"][2:] == (width, height), "%s: size %r" % (where, got["rectangle"][2:]))
        check(got.get("style") == DIALOG_STYLE, "%s: style %08x" % (where, got.get("style", 0)))
        check(got.get("exstyle", 0) == 0, "%s: extended style %08x" % (where, got.get("exstyle", 0)))
        check(got.get("caption") == quoted(title), "%s: caption %s" % (where, got.get("caption")))
        check(got.get("font") == '8, "MS Sans Serif"', "%s: font %s" % (where, got.get("font")))
        check(len(got["controls"]) == len(controls), "%s: %d controls" % (where, len(got["controls"])))
        for number, (expected, actual) in enumerate(zip(controls, got["controls"])):
            kind, identifier, text, rectangle, icon = expected
            text_or_icon, got_id, got_class, got_style, x, y, w, h = actual
            at = "%s control %d (%s)" % (where, number, kind)
            window_class, style = KINDS[kind]
            check(int(got_id) == identifier, "%s: identifier %s, expected %d" % (at, got_id, identifier))
            check(got_class.upper() == window_class, "%s: class %s" % (at, got_class))
            check(int(got_style, 16) == WS_CHILD_VISIBLE | style,
                  "%s: style %s, expected %08x" % (at, got_style, WS_CHILD_VISIBLE | style))
            check((int(x), int(y), int(w), int(h)) == rectangle, "%s: rectangle %s" % (at, (x, y, w, h)))
            wanted_text = str(icon) if kind == "ICON" else quoted(text)
            check(text_or_icon == wanted_text, "%s: text %s, expected %s" % (at, text_or_icon, wanted_text))


def check_icons(groups, identifiers):
    for name in ("IDI_ADAPTER", "IDI_PHONE"):
        icon = identifiers[name]
        check(groups.get(icon) == [(32, 32, 16, 1, 4)],
              "icon %d: images %r, expected one of 32 x 32 in 16 colours" % (icon, groups.get(icon)))
    check(len(groups) == 2, "icon groups %r" % sorted(groups))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--windres", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--work", required=True)
    options = parser.parse_args()
    os.makedirs(options.work, exist_ok=True)
    try:
        identifiers = read_identifiers(options.source)
        templates = read_templates(options.source, identifiers)
        check(len(templates) == 10, "%d templates in the description" % len(templates))
        text = decompile(options.windres, options.source, options.work)
        check_dialogs(parse_dialogs(text), templates)
        check_icons(parse_icon_groups(text), identifiers)
    except Failure as failure:
        print("FAILED: %s" % failure)
        return 1
    print("the resource script holds the ten described dialogs and the two icons")
    return 0


if __name__ == "__main__":
    sys.exit(main())
