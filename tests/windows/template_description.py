"""Readers of the sources the Windows tests compare the program with: the
identifiers (ui/resource_ids.h) and the dialog template description
(ui/dialog_templates.def), parsed the way the C preprocessor sees them."""
import os
import re

from qev_harness import check  # tools/, on PYTHONPATH (CTest sets it)


def split_arguments(text):
    """Splits a macro's argument list at the commas outside string literals."""
    parts, current, quoted, escaped = [], "", False, False
    for char in text:
        if quoted:
            current += char
            if escaped:
                escaped = False
            elif char == "\\":
                escaped = True
            elif char == '"':
                quoted = False
        elif char == '"':
            quoted = True
            current += char
        elif char == ",":
            parts.append(current.strip())
            current = ""
        else:
            current += char
    parts.append(current.strip())
    return parts


def c_string(literal):
    """The characters of one C string literal, with the escapes this project uses."""
    check(literal.startswith('"') and literal.endswith('"'), "not a string literal: " + literal)
    escapes = {"r": "\r", "n": "\n", "t": "\t", '"': '"', "\\": "\\"}
    return re.sub(r"\\(.)", lambda m: escapes[m.group(1)], literal[1:-1])


def read_identifiers(source):
    identifiers = {"IDOK": 1, "IDCANCEL": 2}
    with open(os.path.join(source, "ui", "resource_ids.h")) as header:
        for name, value in re.findall(r"#define\s+(\w+)\s+\(?(-?\d+)\)?", header.read()):
            identifiers[name] = int(value)
    return identifiers


def read_templates(source, identifiers):
    """The templates of ui/dialog_templates.def, in their order:
    {id: (title, width, height, [(kind, id, text, (x, y, width, height), icon)])}
    with kind "ICON" for an icon control (icon: its icon's identifier) and
    the identifier of a control without one as 65535."""
    with open(os.path.join(source, "ui", "dialog_templates.def")) as description:
        text = re.sub(r"/\*.*?\*/", "", description.read(), flags=re.S)
    templates = {}
    current = None
    for macro, arguments in re.findall(r"(QEV_DIALOG|QEV_CONTROL|QEV_ICON|QEV_DIALOG_END)\((.*)\)", text):
        values = split_arguments(arguments)
        if macro == "QEV_DIALOG":
            current = identifiers[values[0]]
            templates[current] = (c_string(values[1]), int(values[2]), int(values[3]), [])
        elif macro == "QEV_CONTROL":
            kind, name, literal = values[0], values[1], values[2]
            rectangle = tuple(int(v) for v in values[3:7])
            templates[current][3].append((kind, identifiers[name] & 0xFFFF, c_string(literal), rectangle, None))
        elif macro == "QEV_ICON":
            rectangle = tuple(int(v) for v in values[1:5])
            templates[current][3].append(("ICON", 0xFFFF, "", rectangle, identifiers[values[0]]))
    return templates
