#!/usr/bin/env python3
"""The POSIX programs' command line: --help says what the program does,
which firmware and product it carries (the versions read here from the
images' headers, the product named after the tests' own table in
tools/qev_harness.py) and what it needs; --version gives
the tool's and the firmware's versions; any other argument is refused with
a usage line and status 2 before anything runs (nothing on standard
output: no dialog was shown); without arguments the upgrade runs.

Usage: command_line_test.py --programs DIR --tool-version V
       --target-image IMAGE --transition-image IMAGE"""
import argparse
import os
import subprocess
import sys

sys.dont_write_bytecode = True  # no byte code written into the source tree
from qev_harness import expected_product, read_image  # tools/, on PYTHONPATH (CTest sets it)


def main():
    parser = argparse.ArgumentParser()
    for option in ("--programs", "--tool-version", "--target-image", "--transition-image"):
        parser.add_argument(option, required=True)
    options = parser.parse_args()
    target = read_image(options.target_image)
    version = target.version
    transition = read_image(options.transition_image).version
    product, kind = expected_product(target.header)
    failures = []

    def run(program, *arguments):
        path = os.path.join(options.programs, program)
        result = subprocess.run([path, *arguments], stdin=subprocess.DEVNULL, capture_output=True, text=True,
                                timeout=60)
        return result.returncode, result.stdout, result.stderr

    def expect(condition, what):
        if not condition:
            failures.append(what)

    for program, carries_transition in (("qev-upgrade", False), ("qev-upgrade-two-stage", True)):
        code, out, err = run(program, "--help")
        expect(code == 0 and err == "", "%s --help: status %d, errors %r" % (program, code, err))
        expect(out.startswith("Usage: %s [--help | --version]\n" % program), program + " --help: no usage line first")
        for needed in ("version %s, for the %s (%s)" % (version, product, kind), "UDP ports 69 to 168",
                       "TCP port 80", "root, or the capability CAP_NET_BIND_SERVICE, for the ports below 1024",
                       "sudo setcap cap_net_bind_service=+ep " + os.path.realpath(os.path.join(options.programs, program))):
            expect(needed in out, "%s --help lacks %r" % (program, needed))
        expect((("Transition firmware carried: version %s" % transition) in out) == carries_transition,
               "%s --help: transition firmware shown: %s" % (program, not carries_transition))

        code, out, err = run(program, "--version")
        wanted = "%s %s\nfirmware %s for the %s\n" % (program, options.tool_version, version, product)
        if carries_transition:
            wanted += "transition firmware %s\n" % transition
        expect(code == 0 and out == wanted and err == "", "%s --version: %d %r %r" % (program, code, out, err))

    usage = "Usage: qev-upgrade [--help | --version]\n"
    for arguments, complaint in ((["-h"], "unknown argument '-h'"), (["--help", "--version"], "one more argument '--version'"),
                                 (["upgrade"], "unknown argument 'upgrade'"), ([""], "unknown argument ''"),
                                 (["\x1b[2J"], "unknown argument '?[2J'")):
        code, out, err = run("qev-upgrade", *arguments)
        expect(code == 2 and out == "" and err == "qev-upgrade: %s\n%s" % (complaint, usage),
               "qev-upgrade %r: status %d, output %r, errors %r" % (arguments, code, out, err))

    code, out, err = run("qev-upgrade")
    expect(code == 0 and "Usage:" not in out + err, "qev-upgrade without arguments: status %d, %r" % (code, err))

    for failure in failures:
        print("FAIL " + failure)
    print("%d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
