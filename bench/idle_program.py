#!/usr/bin/env python3
"""The whole upgrade program while it waits idle for the device's TFTP
request: the real qev-upgrade (or qev-upgrade.exe under Wine) against the
simulated device, driven by the end-to-end tests' drivers through Continue,
the address 127.0.0.1, OK and Upgrade to "Waiting For Firmware Download
Request From QEV". The device waits a minute before it fetches, so the
program sits in that dialog; over SECONDS this prints its CPU share and its
wake-ups a second (all of its threads; under Wine the program's process and
its Wine server, and apart from them Wine's own processes of the prefix).

Run inside a network namespace with only loopback up (ports 69 and 80 must
be free), under Wine with a private /tmp/.X11-unix and Wine socket
directory (tools/in_private_network.sh --private-tmp), with tools/ and
tests/e2e/ on PYTHONPATH. Called by bench/tftp_benchmark.sh; every wait is
bounded and everything started here is ended on every path (the simulated
device and a private Xvfb also end by themselves after --limit seconds).

  idle_program.py --build out/linux --work DIRECTORY [--seconds 10]
  idle_program.py --build out/windows --work DIRECTORY --windows --wine-prefix TEMPLATE [--seconds 10]
"""
import argparse
import os
import re
import signal
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no byte code written into the source tree
# tools/qev_harness.py and the end-to-end tests' drivers (tests/e2e/), on
# PYTHONPATH (bench/tftp_benchmark.sh sets it, as CTest does for the tests)
from e2e_cases import address, confirm, warning
from e2e_drivers import MESSAGE_PROMPT, LineDriver, WineDriver, progress_title
from e2e_test import DEVICE_ADDRESS
from process_usage import format_usage, measure
from qev_harness import WINE_RUN, Failure, SimulatedDevice, exit_on_signals, hold_signals

FETCH_DELAY_SECONDS = 60        # the device's wait from the upgrade command to its request
SETTLE_SECONDS = 1              # after the dialog shows, before the measurement starts
NATIVE_GOALS = (0.2, 20)        # at most this % of one core and this many wake-ups a second
WAITING_TITLE = progress_title("waiting", DEVICE_ADDRESS).strip("= ")  # the dialog's title under Wine
PROGRAM_EXE = "qev-upgrade.exe"
FETCH_STARTED = "tftp send RRQ"  # the device's transcript, once it fetches


def wine_processes(prefix):
    """(the program's process ids, the Wine server's, Wine's other
    processes') of that Wine prefix, found by their WINEPREFIX."""
    program, server, others = [], [], []
    wanted = os.path.realpath(prefix)
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/environ" % pid, "rb") as environ:
                variables = environ.read().decode("latin-1").split("\0")
            with open("/proc/%s/cmdline" % pid, "rb") as cmdline:
                # A Wine process shows its Windows command line here.
                command = cmdline.read().decode("latin-1").split("\0")[0].strip()
            with open("/proc/%s/comm" % pid) as comm:
                name = comm.read().strip()
        except OSError:  # ended meanwhile, or not ours to read
            continue
        if wanted not in (os.path.realpath(v[len("WINEPREFIX="):]) for v in variables if v.startswith("WINEPREFIX=")):
            continue
        path = re.match(r'"?([^"]*?\.exe)\b', command, re.IGNORECASE)
        executable = path[1].replace("\\", "/").rsplit("/", 1)[-1].lower() if path else ""
        if name.startswith("wineserver"):
            server.append(int(pid))
        elif executable == PROGRAM_EXE:
            program.append(int(pid))
        elif executable:
            others.append(int(pid))  # services, devices, the desktop (not the scripts that started them)
    return program, server, others


def drive_to_waiting_dialog(driver, windows):
    """Continue, 127.0.0.1, OK, Upgrade: the device asks for no password."""
    driver.start()
    for step in (warning(), address(), confirm()):
        getattr(driver, step.kind)(step)
    if windows:
        driver.automation("find", WAITING_TITLE, partial=True)
    else:
        driver.expect(progress_title("waiting", DEVICE_ADDRESS))


def still_waiting(driver, device, windows):
    if FETCH_STARTED in device.transcript():
        raise Failure("the device fetched before the measurement ended: it is not an idle wait")
    if windows:
        windows_now = driver.windows()
        if WAITING_TITLE not in windows_now:
            raise Failure("the waiting dialog has gone; windows now:\n" + windows_now)
    elif driver.process.poll() is not None or any(text in driver.output[driver.cursor:] for text in (
            progress_title("upload", DEVICE_ADDRESS), MESSAGE_PROMPT)):
        raise Failure("the program left the waiting dialog:\n" + driver.output[driver.cursor:])


def run(options, work):
    if options.windows:
        program = os.path.join(options.build, PROGRAM_EXE)
        automation = os.path.join(options.build, "tools", "win32_automation", "qev-automation.exe")
        driver = WineDriver(program, work, DEVICE_ADDRESS, automation, WINE_RUN, options.wine_prefix)
        # Its Xvfb ends by itself should this process be killed before it ends it.
        driver.session.lifetime = options.limit
    else:
        driver = LineDriver(os.path.join(options.build, "qev-upgrade"), work, DEVICE_ADDRESS)
    device = None
    try:
        device = SimulatedDevice(work, ["--address", DEVICE_ADDRESS, "--http-port", "80",
                                        "--fetch-delay", str(FETCH_DELAY_SECONDS)], lifetime=options.limit)
        drive_to_waiting_dialog(driver, options.windows)
        time.sleep(SETTLE_SECONDS)
        if options.windows:
            program_pids, server_pids, others = wine_processes(driver.session.prefix)
            if len(program_pids) != 1 or len(server_pids) != 1:
                raise Failure("found %d program and %d Wine server processes, not one each" % (
                    len(program_pids), len(server_pids)))
            usage, wine_usage = measure([program_pids + server_pids, others], options.seconds)
        else:
            usage, = measure([[driver.process.pid]], options.seconds)
        still_waiting(driver, device, options.windows)
    except (Failure, subprocess.SubprocessError, OSError) as failure:
        print("idle_program.py: %s\n--- the program's output\n%s\n--- the device's transcript\n%s" % (
            failure, driver.transcript(), device.transcript() if device else ""), file=sys.stderr)
        return 1
    finally:
        hold_signals((signal.SIGTERM, signal.SIGINT))  # the cleanup runs to its end
        driver.close()
        if device:
            device.stop()
    what = "idle %g s in the waiting dialog, the whole program" % options.seconds
    if options.windows:
        print(format_usage(what + " (its Wine process and Wine server)", usage))
        print(format_usage("  beside them, the prefix's %d other Wine processes (not counted above)" % len(others),
                           wine_usage))
    else:
        print(format_usage(what, usage, NATIVE_GOALS))
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True, help="the build tree of the program")
    parser.add_argument("--windows", action="store_true", help="the Windows program under Wine")
    parser.add_argument("--wine-prefix", help="a Wine prefix no server runs on, copied for the run (--windows)")
    parser.add_argument("--work", required=True, help="an empty directory for the run's files; in the build "
                        "tree under Wine, where the prefix is copied as hard links")
    parser.add_argument("--seconds", type=float, default=10)
    parser.add_argument("--limit", type=int, default=900, help="seconds after which the simulated device "
                        "and a private Xvfb end by themselves, were this process killed")
    options = parser.parse_args()
    if options.windows and not options.wine_prefix:
        parser.error("--windows needs --wine-prefix")
    options.build = os.path.abspath(options.build)
    # A time limit ends this with SIGTERM: clean up as on any failure.
    exit_on_signals((signal.SIGTERM,), lambda number: "idle_program.py: terminated")
    return run(options, os.path.abspath(options.work))


if __name__ == "__main__":
    sys.exit(main())
