#!/usr/bin/env python3
"""Reads back, from a built Windows program, what Windows shows of it
before it runs, with a reader of the PE format of its own:

- the version information: the tool's version (fixed part and strings), the
  product name, and the embedded firmware's version and product, read here
  from the image's header, the product as the tests' written-out table
  (tools/qev_harness.py) names it;
- the application manifest (resource 1): asInvoker, the supported Windows
  versions, per-monitor DPI awareness, common controls version 6;
- the icon Explorer shows (the first icon group of the resource directory):
  the adapter's picture or the phone's, as the image's product is one or the
  other;
- no link time stamp in the PE header.

Usage: program_resources_test.py --program EXE --source DIR --tool-version V
       --target-image IMAGE [--transition-image IMAGE]"""
import argparse
import os
import struct
import sys
import xml.etree.ElementTree as ElementTree

sys.dont_write_bytecode = True  # no byte code written into the source tree
from qev_harness import Failure, check, expected_product, read_image  # tools/, on PYTHONPATH (CTest sets it)

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}


# ---- the PE file ------------------------------------------------------------

class Program:
    def __init__(self, path):
        with open(path, "rb") as program:
            self.data = program.read()
        check(self.data[:2] == b"MZ", "not an executable")
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        check(self.data[pe:pe + 4] == b"PE\0\0", "no PE header")
        sections, self.time_stamp = struct.unpack_from("<HI", self.data, pe + 6)
        optional_size = struct.unpack_from("<H", self.data, pe + 20)[0]
        optional = pe + 24
        check(struct.unpack_from("<H", self.data, optional)[0] == 0x20B, "not a 64-bit program")
        resource_rva = struct.unpack_from("<I", self.data, optional + 112 + 2 * 8)[0]
        self.sections = []
        for index in range(sections):
            at = optional + optional_size + 40 * index
            virtual_size, rva, raw_size, raw_at = struct.unpack_from("<IIII", self.data, at + 8)
            self.sections.append((rva, max(virtual_size, raw_size), raw_at))
        check(resource_rva != 0, "no resources")
        self.resources = self.offset(resource_rva)

    def offset(self, rva):
        for start, size, raw_at in self.sections:
            if start <= rva < start + size:
                return raw_at + rva - start
        raise Failure("address %#x outside the sections" % rva)

    def directory(self, at):
        """The entries of one resource directory, in their stored order:
        [(name or identifier, is a directory, offset)]."""
        named, numbered = struct.unpack_from("<HH", self.data, self.resources + at + 12)
        entries = []
        for index in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, self.resources + at + 16 + 8 * index)
            if name & 0x80000000:
                length = struct.unpack_from("<H", self.data, self.resources + (name & 0x7FFFFFFF))[0]
                start = self.resources + (name & 0x7FFFFFFF) + 2
                name = self.data[start:start + 2 * length].decode("utf-16-le")
            entries.append((name, bool(target & 0x80000000), target & 0x7FFFFFFF))
        return entries

    def resources_of(self, kind):
        """{name: bytes} of one resource type (the first language of each), in stored order."""
        found = {}
        for name, is_directory, at in self.directory(0):
            if name != kind:
                continue
            for item, _, item_at in self.directory(at):
                _, _, leaf = self.directory(item_at)[0]
                rva, size = struct.unpack_from("<II", self.data, self.resources + leaf)
                start = self.offset(rva)
                found[item] = self.data[start:start + size]
        return found


# ---- the version information -------------------------------------------------

def version_nodes(data, at=0):
    """One node of a version resource: (key, value bytes, text value, children)."""
    length, value_length, kind = struct.unpack_from("<HHH", data, at)
    end = at + length
    key_end = at + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[at + 6:key_end].decode("utf-16-le")
    value_at = (key_end + 2 + 3) & ~3
    value_size = value_length * 2 if kind == 1 else value_length
    value = data[value_at:value_at + value_size]
    text = value.decode("utf-16-le").rstrip("\0") if kind == 1 else None
    children = []
    child = (value_at + value_size + 3) & ~3
    while child < end:
        node = version_nodes(data, child)
        children.append(node)
        child = (child + struct.unpack_from("<H", data, child)[0] + 3) & ~3
    return key, value, text, children


def check_version_information(program, options, product, target_version, transition_version):
    versions = program.resources_of(RT_VERSION)
    check(list(versions) == [1], "version resources %r, expected one numbered 1" % list(versions))
    key, fixed, _, children = version_nodes(versions[1])
    check(key == "VS_VERSION_INFO", "version resource key %r" % key)
    signature, _, file_high, file_low, product_high, product_low = struct.unpack_from("<6I", fixed)
    check(signature == 0xFEEF04BD, "no fixed file information")
    parts = [int(part) for part in (options.tool_version.split(".") + ["0"] * 4)[:4]]
    wanted = ((parts[0] << 16) | parts[1], (parts[2] << 16) | parts[3])
    check((file_high, file_low) == wanted and (product_high, product_low) == wanted,
          "fixed versions %x.%x / %x.%x, expected %x.%x" % (file_high, file_low, product_high, product_low, *wanted))
    strings = {}
    for child_key, _, _, tables in children:
        if child_key == "StringFileInfo":
            for _, _, _, values in tables:
                strings.update({name: text for name, _, text, _ in values})
    program_name = os.path.splitext(os.path.basename(options.program))[0]
    expected = {
        "ProductName": "QEV Firmware Upgrade",
        "ProductVersion": options.tool_version,
        "FileVersion": options.tool_version,
        "InternalName": program_name,
        "OriginalFilename": program_name + ".exe",
        "FirmwareProduct": product,
        "FirmwareVersion": target_version,
    }
    if transition_version is not None:
        expected["TransitionFirmwareVersion"] = transition_version
    for name, value in expected.items():
        check(strings.get(name) == value, "version string %s is %r, expected %r" % (name, strings.get(name), value))
    description = strings.get("FileDescription", "")
    check(target_version in description and product in description,
          "the description %r names neither the firmware version nor the product" % description)
    check(("TransitionFirmwareVersion" in strings) == (transition_version is not None),
          "transition version present: %s" % ("TransitionFirmwareVersion" in strings))


# ---- the manifest --------------------------------------------------------------

def check_manifest(program):
    manifests = program.resources_of(RT_MANIFEST)
    check(list(manifests) == [1], "manifests %r, expected resource 1 alone" % list(manifests))
    root = ElementTree.fromstring(manifests[1])
    elements = list(root.iter())

    def named(local):
        return [element for element in elements if element.tag.split("}")[-1] == local]

    levels = [element.get("level") for element in named("requestedExecutionLevel")]
    check(levels == ["asInvoker"], "execution level %r" % levels)
    systems = {element.get("Id").lower() for element in named("supportedOS")}
    check(systems == set(SUPPORTED_OS), "supported Windows versions %r" % sorted(systems))
    awareness = [element.text for element in named("dpiAwareness")]
    check(len(awareness) == 1 and awareness[0].split(",")[0].strip() == "PerMonitorV2",
          "DPI awareness %r" % awareness)
    check([element.text for element in named("dpiAware")] == ["true/pm"], "no per-monitor dpiAware fallback")
    controls = [element for element in named("assemblyIdentity")
                if element.get("name") == "Microsoft.Windows.Common-Controls"]
    check(len(controls) == 1 and controls[0].get("version") == "6.0.0.0", "no common controls 6.0.0.0 dependency")


# ---- the icon ------------------------------------------------------------------

def icon_images(path):
    with open(path, "rb") as icon:
        data = icon.read()
    count = struct.unpack_from("<H", data, 4)[0]
    images = []
    for index in range(count):
        size, at = struct.unpack_from("<II", data, 6 + 16 * index + 8)
        images.append(data[at:at + size])
    return images


def check_icon(program, source, device_class):
    groups = program.resources_of(RT_GROUP_ICON)
    check(groups, "no icon")
    first = groups[next(iter(groups))]
    count = struct.unpack_from("<H", first, 4)[0]
    images = program.resources_of(RT_ICON)
    shown = [images[struct.unpack_from("<H", first, 6 + 14 * index + 12)[0]] for index in range(count)]
    picture = "phone.ico" if device_class == "phone" else "adapter.ico"
    check(shown == icon_images(os.path.join(source, "ui", "icons", picture)),
          "Explorer's icon is not the %s picture (%s)" % (device_class, picture))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--program", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--tool-version", required=True)
    parser.add_argument("--target-image", required=True)
    parser.add_argument("--transition-image")
    options = parser.parse_args()
    target = read_image(options.target_image)
    target_version = target.version
    transition_version = read_image(options.transition_image).version if options.transition_image else None
    product, device_class = expected_product(target.header)
    try:
        program = Program(options.program)
        check(program.time_stamp == 0, "link time stamp %#x in the PE header" % program.time_stamp)
        check_version_information(program, options, product, target_version, transition_version)
        check_manifest(program)
        check_icon(program, options.source, device_class)
    except Failure as failure:
        print("FAILED %s: %s" % (options.program, failure))
        return 1
    print("%s: version %s, firmware %s for %s, manifest and icon as wanted" %
          (os.path.basename(options.program), options.tool_version, target_version, product))
    return 0


if __name__ == "__main__":
    sys.exit(main())
