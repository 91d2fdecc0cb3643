"""The simulated device's status page: its rows, the values given on the
command line (byte for byte, as latin-1 text throughout) and the rows left
out after an upgrade. Part of tools/device_simulator.py; shares nothing with
the upgrade tool."""
import os
import re

# The rows in page order, each with the option that gives its value.
ROWS = (("Product Name", "product_name"), ("Serial Number", "serial"), ("MAC Address", "mac"),
        ("Hardware Version", "hardware_version"), ("Software Version", "software_version"))
LABELS = tuple(label for label, _ in ROWS)
SOFTWARE_VERSION = "Software Version"
PAGE_START = "<html><head><title>QEV Status</title></head><body>\n<table>\n"
PAGE_ROW = "<tr><td>%s:</td><td>%s</td></tr>\n"
PAGE_END = "</table></body></html>\n"
ESCAPE = re.compile(rb"\\(x[0-9A-Fa-f]{2}|\\)?")


def command_line_value(text, escapes):
    """A value as it was given on the command line, as latin-1 text: one
    character per byte, so every byte reaches the page unchanged
    (os.fsencode undoes the decoding Python applied to argv). With escapes,
    \\xHH is the byte HH and \\\\ a backslash; ValueError for any other
    backslash."""
    raw = os.fsencode(text)
    if escapes:
        raw = ESCAPE.sub(unescape, raw)
    return raw.decode("latin-1")


def unescape(found):
    escape = found.group(1)
    if escape is None:
        raise ValueError("a backslash must start \\xHH or \\\\")
    return b"\\" if escape == b"\\" else bytes([int(escape[1:], 16)])


def page_values(args):
    """{label: value} of the options, the software version included."""
    return {label: getattr(args, option) for label, option in ROWS}


def status_page(values, version, omitted):
    """The page with version as its software version, without the rows whose
    labels are in omitted."""
    rows = "".join(PAGE_ROW % (label, version if label == SOFTWARE_VERSION else values[label])
                   for label in LABELS if label not in omitted)
    return PAGE_START + rows + PAGE_END
