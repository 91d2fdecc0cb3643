#!/usr/bin/env python3
"""The POSIX programs' command line: --help says what the program does,
which firmware and product it carries (the versions read here from the
images' headers, the product named after the tests' own table in
tools/qev_harness.py), what it needs, every option and every exit status;
the manual page lists the same options; --version gives the tool's and the
firmware's versions; an argument that cannot stand is refused with its
reason, the usage and status 2 before anything runs (nothing on standard
output: no dialog was shown); without arguments the dialogs run, and the end
of their input cancels the warning (status 3).

Usage: command_line_test.py --programs DIR --tool-version V
       --target-image IMAGE --transition-image IMAGE --manual-page FILE"""
import argparse
import os
import re
import subprocess
import sys

sys.dont_write_bytecode = True  # no byte code written into the source tree
from qev_harness import expected_product, read_image  # tools/, on PYTHONPATH (CTest sets it)

# Every option, in the order --help lists them.
OPTIONS = ["--address", "--yes", "--json", "--local-address", "--user", "--password-file", "--request-wait",
           "--record", "--help", "--version"]


def main():
    parser = argparse.ArgumentParser()
    for option in ("--programs", "--tool-version", "--target-image", "--transition-image", "--manual-page"):
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

    usage = ("Usage: qev-upgrade [--record FILE]\n"
             "       qev-upgrade --address DEVICE [--yes] [--json] [--local-address ADDRESS] [--user NAME]\n"
             "           [--password-file FILE|-] [--request-wait SECONDS] [--record FILE]\n"
             "       qev-upgrade --help | --version\n")
    for program, carries_transition in (("qev-upgrade", False), ("qev-upgrade-two-stage", True)):
        code, out, err = run(program, "--help")
        expect(code == 0 and err == "", "%s --help: status %d, errors %r" % (program, code, err))
        expect(out.startswith(usage.replace("qev-upgrade", program)), program + " --help: no usage first")
        for needed in ("version %s, for the %s (%s)" % (version, product, kind), "UDP ports 69 to 168",
                       "TCP port 80", "root, or the capability CAP_NET_BIND_SERVICE, for the ports below 1024",
                       "sudo setcap cap_net_bind_service=+ep " + os.path.realpath(os.path.join(options.programs, program)),
                       "QEV_PASSWORD", "(120)", "xargs -P"):
            expect(needed in out, "%s --help lacks %r" % (program, needed))
        listed = re.findall(r"^  (--[a-z-]+)", out, re.MULTILINE)
        expect(listed == OPTIONS, "%s --help lists the options %r" % (program, listed))
        statuses = re.findall(r"^  ([0-9])  ", out, re.MULTILINE)
        expect(statuses == ["0", "1", "2", "3", "4"], "%s --help lists the exit statuses %r" % (program, statuses))
        expect((("Transition firmware carried: version %s" % transition) in out) == carries_transition,
               "%s --help: transition firmware shown: %s" % (program, not carries_transition))

        code, out, err = run(program, "--version")
        wanted = "%s %s\nfirmware %s for the %s\n" % (program, options.tool_version, version, product)
        if carries_transition:
            wanted += "transition firmware %s\n" % transition
        expect(code == 0 and out == wanted and err == "", "%s --version: %d %r %r" % (program, code, out, err))

    with open(options.manual_page) as page:
        manual = page.read().replace("\\-", "-")
    for option in OPTIONS:
        expect(re.search(r"^\.B[RI]? " + option + r"\b", manual, re.MULTILINE), "the manual page lacks " + option)

    for arguments, complaint in (
            (["-h"], "unknown argument '-h'"), (["--help", "--version"], "one more argument '--version'"),
            (["--address", "192.0.2.5", "--help"], "one more argument '--address'"),
            (["upgrade"], "unknown argument 'upgrade'"), ([""], "unknown argument ''"),
            (["\x1b[2J"], "unknown argument '?[2J'"),
            (["--address"], "'--address' needs a value"),
            (["--address", "192.0.2.256"], "'192.0.2.256' is not an IPv4 address such as 192.0.2.55"),
            (["--address=10.1.0"], "'10.1.0' is not an IPv4 address such as 192.0.2.55"),
            (["--yes"], "'--yes' goes with --address (a run without dialogs)"),
            (["--record", "r.jsonl", "--json"], "'--json' goes with --address (a run without dialogs)"),
            (["--address", "192.0.2.5", "--request-wait", "0"], "'0' is not a number of seconds from 1 to 86400"),
            (["--address", "192.0.2.5", "--password", "secret"],
             "'--password' is refused: a password on the command line can be read by other users; give it with "
             "--password-file FILE, --password-file - (standard input) or QEV_PASSWORD"),
            (["--address", "192.0.2.5", "--password=secret"], None),
    ):
        code, out, err = run("qev-upgrade", *arguments)
        if complaint is None:  # the same refusal as the line before
            complaint = previous
        expect(code == 2 and out == "" and err == "qev-upgrade: %s\n%s" % (complaint, usage),
               "qev-upgrade %r: status %d, output %r, errors %r" % (arguments, code, out, err))
        previous = complaint

    code, out, err = run("qev-upgrade", "--address", "127.0.0.1", "--local-address", "192.0.2.200", "--yes")
    expect(code == 2 and "--local-address: that is not an address of this PC" in err,
           "a local address that is not this PC's: status %d, %r" % (code, err))

    code, out, err = run("qev-upgrade")
    expect(code == 3 and "Usage:" not in out + err, "qev-upgrade without arguments: status %d, %r" % (code, err))

    for failure in failures:
        print("FAIL " + failure)
    print("%d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
