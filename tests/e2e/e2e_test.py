#!/usr/bin/env python3
"""Runs one end-to-end case (e2e_cases.py): the simulated device
(tools/device_simulator.py) on 127.0.0.1:80, the real program driven
through the case's dialogs by one of the drivers (e2e_drivers.py), then the
checks: the exit status (the Linux program's tells how the run ended, the
Windows program's is 0), what each dialog showed, and what the device recorded.
Run it inside a network namespace with only loopback up (CTest does, through
tools/in_private_network.sh): ports 69 and 80 must be free. Prints the time
from the program's start to its first dialog. The support module
(tools/qev_harness.py) comes through PYTHONPATH."""
import argparse
import os
import shutil
import signal
import socket
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no byte code written into the source tree
from e2e_cases import CASES, SILENT, USER_ABORT, Step
from e2e_drivers import DIALOG_SECONDS, LineDriver, ScreenDriver, WineDriver
from qev_harness import DeviceRecord, Failure, SimulatedDevice, read_image, wait_until

DEVICE_ADDRESS = "127.0.0.1"
# How long the device waits for the next TFTP packet before it gives up. The
# tool retransmits after 100 idle polls, which a starved machine stretches
# to seconds under Wine (each poll is a few calls into the Wine server).
TFTP_SILENCE = "60"


class Device:
    """The simulated device, a silent listener, or nothing at all."""

    def __init__(self, options, simulator, work):
        self.simulated = self.listener = None
        self.record = DeviceRecord(os.path.join(work, "record.jsonl"))  # stays empty without a simulator
        if options == SILENT:
            self.listener = socket.create_server((DEVICE_ADDRESS, 80))  # connections wait, never accepted
        elif options is not None:
            self.simulated = SimulatedDevice(work, ["--address", DEVICE_ADDRESS, "--http-port", "80",
                                                    "--reboot-seconds", "3", "--tftp-silence", TFTP_SILENCE,
                                                    *options], lifetime=600, simulator=simulator)
            self.record = self.simulated.record

    def read_transcript(self):
        return self.simulated.transcript() if self.simulated else ""

    def stop(self):
        if self.simulated:
            self.simulated.stop()
        if self.listener:
            self.listener.close()


def expected_status(case):
    """The Linux program's exit status after the case's steps (the Windows
    program's is always 0): the last step says how the run ended."""
    last = case.steps[-1]
    if last.kind == "success":
        return 0                                   # upgraded, the version checked
    if last.kind == "message":
        return 3 if last.text == USER_ABORT else 1  # cancelled, or failed
    if last.kind in ("warning", "address") and last.button == "Cancel":
        return 3                                   # declined before the device was asked
    if last.kind == "confirm" and last.button == "Upgrade":
        return 4                                   # nothing shown after it: not heard from after the reboot
    raise Failure("no exit status known after a last step %r" % (last,))


def fill(text, facts):
    return text.format(**facts["versions"]) if isinstance(text, str) else text


def run(case, driver, device, facts, show=False):
    first_dialog = driver.start()
    for step in case.steps:
        step = Step(**{name: [fill(t, facts) for t in value] if isinstance(value, list) else fill(value, facts)
                       for name, value in vars(step).items()})
        if step.after_event:
            wait_until(lambda: device.record.events(step.after_event), DIALOG_SECONDS,
                       "a %s event in the device's record" % step.after_event, poll=0.1)
        seen = getattr(driver, step.kind)(step)
        if show:  # for a demonstration: what the user saw, and did
            print("== %s\n%s\n-> %s %s" % (step.kind, seen.replace("\r", ""), step.button, step.text), flush=True)
        wanted = step.shows + ([step.text] if step.kind in ("message", "success") else [])
        for text in wanted:
            if text not in seen:
                raise Failure("the %s dialog does not show %r:\n%s" % (step.kind, text, seen))
        for text in step.lacks:
            if text in seen:
                raise Failure("the %s dialog shows %r:\n%s" % (step.kind, text, seen))
    code = driver.finish(case.steps)
    wanted = 0 if isinstance(driver, WineDriver) else expected_status(case)
    if code != wanted:
        raise Failure("exit code %d, expected %d" % (code, wanted))
    device.stop()  # the record is complete
    for check in case.checks:
        check(device.record, facts)
    return first_dialog


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--case", required=True, choices=[case.name for case in CASES])
    parser.add_argument("--driver", required=True, choices=["lines", "screen", "windows"])
    parser.add_argument("--programs", required=True, help="directory of qev-upgrade, qev-upgrade-two-stage")
    parser.add_argument("--phone-program", required=True)
    parser.add_argument("--target-image", required=True)
    parser.add_argument("--transition-image", required=True)
    parser.add_argument("--phone-image", required=True)
    parser.add_argument("--simulator", required=True)
    parser.add_argument("--work", required=True, help="a directory for this case's files (emptied first)")
    parser.add_argument("--automation", help="qev-automation.exe (windows)")
    parser.add_argument("--wine-run", help="tools/wine_run.sh (windows)")
    parser.add_argument("--wine-prefix", help="the build's Wine prefix, copied for the case (windows)")
    parser.add_argument("--show", action="store_true", help="print each dialog's texts and the answer given")
    options = parser.parse_args()
    # CTest's time limit ends a test with SIGTERM: clean up as on any failure.
    signal.signal(signal.SIGTERM, lambda number, frame: sys.exit("FAILED: terminated"))

    case = next(case for case in CASES if case.name == options.case)
    facts = {"versions": {}, "sha256": {}, "size": {}}
    for image, path in (("target", options.target_image), ("transition", options.transition_image),
                        ("phone", options.phone_image)):
        found = read_image(path)
        facts["versions"][image], facts["size"][image], facts["sha256"][image] = found.version, found.size, found.sha256
    suffix = ".exe" if options.driver == "windows" else ""
    program = {"single": os.path.join(options.programs, "qev-upgrade" + suffix),
               "two-stage": os.path.join(options.programs, "qev-upgrade-two-stage" + suffix),
               "phone": options.phone_program}[case.program]

    shutil.rmtree(options.work, ignore_errors=True)
    os.makedirs(options.work)
    if options.driver == "lines":
        driver = LineDriver(program, options.work, DEVICE_ADDRESS)
    elif options.driver == "screen":
        driver = ScreenDriver(program, options.work, DEVICE_ADDRESS)
    else:
        driver = WineDriver(program, options.work, DEVICE_ADDRESS, options.automation, options.wine_run,
                            options.wine_prefix)
    device = None
    started = time.monotonic()
    try:
        device_options = case.device if case.device in (None, SILENT) else [fill(o, facts) for o in case.device]
        device = Device(device_options, options.simulator, options.work)
        first_dialog = run(case, driver, device, facts, options.show)
    except (Failure, AssertionError, subprocess.SubprocessError, OSError) as failure:
        print("FAILED %s (%s): %s" % (case.name, options.driver, failure))
        print("--- the program's output\n" + driver.transcript())
        if device:
            print("--- the device's transcript\n" + device.read_transcript())
        return 1
    finally:
        driver.close()
        if device:
            device.stop()
    print("%s (%s): passed in %.1f s; first dialog %.3f s after the start" % (
        case.name, options.driver, time.monotonic() - started, first_dialog))
    return 0


if __name__ == "__main__":
    sys.exit(main())
