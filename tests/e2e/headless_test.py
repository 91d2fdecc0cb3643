#!/usr/bin/env python3
"""Runs one end-to-end case of the Linux program as a command-line tool
(headless_cases.py): the simulated device (tools/device_simulator.py) on
127.0.0.2:80, the real program with the case's arguments and standard input,
then the checks: the exit status, the lines of standard error in order, and
the case's own. The case "fleet" upgrades eight simulated devices at once
with xargs -P instead, and prints its wall time. Run it inside a network
namespace with only loopback up (CTest does, through
tools/in_private_network.sh): ports 69 and 80 must be free, and the case may
give this PC more addresses. The support module (tools/qev_harness.py) comes
through PYTHONPATH."""
import argparse
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time

sys.dont_write_bytecode = True  # no byte code written into the source tree
from e2e_drivers import check_no_sanitizer_report
from headless_cases import CASES, DEVICE, FLEET, PASSWORD, SILENT
from qev_harness import DeviceRecord, Failure, SimulatedDevice, read_image

RUN_SECONDS = 300       # longest run: a stopped transfer gives up after 47 s, then the reboot wait
TFTP_SILENCE = "60"     # as in e2e_test.py: the device waits for the tool's retransmissions
SIMULATOR_OPTIONS = ["--http-port", "80", "--reboot-seconds", "3", "--tftp-silence", TFTP_SILENCE]


class Run:
    """What one run left: its outputs, the device's record, the record of runs."""

    def __init__(self, facts, work):
        self.facts, self.work = facts, work
        self.record_path = os.path.join(work, "runs.jsonl")
        self.device_record = DeviceRecord(os.path.join(work, "record.jsonl"))
        self.status, self.stdout, self.stderr = None, "", ""

    def fill(self, text):
        return text.format(device=DEVICE, work=self.work, record=self.record_path, **self.facts)

    @property
    def runs(self):
        if not os.path.exists(self.record_path):
            return []
        with open(self.record_path) as lines:
            return [json.loads(line) for line in lines]


def start_device(options, address, work, simulator):
    """The simulated device (or a silent listener, or nothing); something with stop()."""
    if options is None:
        return None
    if options == SILENT:
        return socket.create_server((address, 80))  # connections wait, never accepted
    return SimulatedDevice(work, ["--address", address, *SIMULATOR_OPTIONS, *options], lifetime=600,
                           simulator=simulator)


def stop(device):
    if isinstance(device, socket.socket):
        device.close()
    elif device is not None:
        device.stop()


def run_program(command, run, environment, input_text, interrupt_after):
    """Runs the program to its end (Ctrl-C once standard error shows
    interrupt_after): its status and outputs go into run."""
    process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                               env=environment, start_new_session=True)
    outputs = {"stdout": b"", "stderr": b""}
    changed = threading.Condition()

    def read(name, stream):
        while chunk := os.read(stream.fileno(), 65536):
            with changed:
                outputs[name] += chunk
                changed.notify_all()

    readers = [threading.Thread(target=read, args=(name, getattr(process, name)), daemon=True)
               for name in outputs]
    for reader in readers:
        reader.start()
    try:
        process.stdin.write(input_text.encode())
        process.stdin.close()
        if interrupt_after:
            wanted = interrupt_after.encode()
            with changed:
                if not changed.wait_for(lambda: wanted in outputs["stderr"] or process.poll() is not None,
                                        RUN_SECONDS):
                    raise Failure("%r never came" % interrupt_after)
            process.send_signal(signal.SIGINT)
        run.status = process.wait(RUN_SECONDS)
    except subprocess.TimeoutExpired:
        raise Failure("the program did not end")
    finally:
        if process.poll() is None:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
        for reader in readers:
            reader.join(10)
        run.stdout = outputs["stdout"].decode("latin-1")
        run.stderr = outputs["stderr"].decode("latin-1")


def expect_lines(run, lines):
    """Each text on standard error, after the one before it."""
    at = 0
    for text in lines:
        found = run.stderr.find(run.fill(text), at)
        if found < 0:
            raise Failure("standard error lacks %r after position %d" % (run.fill(text), at))
        at = found + len(run.fill(text))


def run_case(case, options, run):
    work = run.work
    for name, content in case.files.items():
        with open(os.path.join(work, name), "w") as file:
            file.write(content)
    for address in case.addresses:
        subprocess.run(["ip", "address", "add", address, "dev", "lo"], check=True)
    device = start_device(case.device, DEVICE, work, options.simulator)
    try:
        environment = {name: value for name, value in os.environ.items() if name != "QEV_PASSWORD"}
        environment.update(case.environment)
        command = [options.program, *[run.fill(argument) for argument in case.arguments]]
        run_program(command, run, environment, run.fill(case.input), case.interrupt_after)
    finally:
        stop(device)  # the device's record is complete
    check_no_sanitizer_report(run.stderr)
    if run.status != case.status:
        raise Failure("exit status %d, expected %d" % (run.status, case.status))
    expect_lines(run, case.lines)
    for check in case.checks:
        check(run)


def run_fleet(case, options, run):
    """Eight devices, every other behind Digest, upgraded by eight copies of
    the program at once, as the README shows (xargs -P), each writing its
    exit status; the record of runs is the summary. The copies ran side by
    side if the devices were told eight different ports."""
    work, facts = run.work, run.facts
    devices = []
    try:
        for index, address in enumerate(FLEET):
            directory = os.path.join(work, address)
            os.makedirs(directory)
            digest = ["--password", PASSWORD] if index % 2 == 0 else []
            devices.append(start_device(digest, address, directory, options.simulator))
        with open(os.path.join(work, "devices.txt"), "w") as listing:
            listing.write("".join(address + "\n" for address in FLEET))
        with open(os.path.join(work, "password"), "w") as password:
            password.write(PASSWORD + "\n")
        statuses = os.path.join(work, "statuses")
        command = ("xargs -P 8 -I{} sh -c '\"$0\" --address {} --yes --password-file password --record runs.jsonl "
                   "2>{}.log; echo {} $? >>statuses' %s <devices.txt" % options.program)
        started = time.monotonic()
        subprocess.run(["bash", "-c", command], cwd=work, check=True, timeout=RUN_SECONDS,
                       stdin=subprocess.DEVNULL)
        seconds = time.monotonic() - started
    finally:
        for device in devices:
            stop(device)
    for address in FLEET:
        with open(os.path.join(work, address + ".log"), errors="replace") as log:
            check_no_sanitizer_report(log.read())
    with open(statuses) as lines:
        got = dict(line.split() for line in lines)
    if got != {address: "0" for address in FLEET}:
        raise Failure("exit statuses %r" % got)
    ports = set()
    for address in FLEET:
        record = DeviceRecord(os.path.join(work, address, "record.jsonl"))
        images = [event["sha256"] for event in record.events("tftp") if event["outcome"] == "complete"]
        if images != [facts["sha256"]]:
            raise Failure("%s was served %r" % (address, images))
        ports.update(event["port"] for event in record.events("upgrade"))
    # All at once, each copy on the next free port from 69.
    if ports != set(range(69, 69 + len(FLEET))):
        raise Failure("the devices were told the ports %r" % sorted(ports))
    lines = run.runs  # each a whole JSON line, or this fails
    if sorted(line["device"] for line in lines) != FLEET:
        raise Failure("the record's devices: %r" % [line["device"] for line in lines])
    if any((line["outcome"], line["exit_status"], line["version_after"]) != ("upgraded", 0, facts["target"])
           for line in lines):
        raise Failure("the record: %r" % lines)
    print("fleet of %d devices upgraded at once in %.1f s" % (len(FLEET), seconds))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--case", required=True, choices=[case.name for case in CASES])
    parser.add_argument("--program", required=True, help="qev-upgrade")
    parser.add_argument("--target-image", required=True)
    parser.add_argument("--simulator", required=True)
    parser.add_argument("--work", required=True, help="a directory for this case's files (emptied first)")
    options = parser.parse_args()
    # CTest's time limit ends a test with SIGTERM: clean up as on any failure.
    signal.signal(signal.SIGTERM, lambda number, frame: sys.exit("FAILED: terminated"))

    case = next(case for case in CASES if case.name == options.case)
    image = read_image(options.target_image)
    facts = {"target": image.version, "size": image.size, "sha256": image.sha256, "blocks": image.size // 512 + 1}
    shutil.rmtree(options.work, ignore_errors=True)
    os.makedirs(options.work)
    started = time.monotonic()
    run = Run(facts, options.work)
    try:
        (run_fleet if case.name == "fleet" else run_case)(case, options, run)
    except (Failure, AssertionError, subprocess.SubprocessError, OSError) as failure:
        print("FAILED %s: %s" % (case.name, failure))
        print("--- standard error\n" + run.stderr)
        print("--- standard output\n" + run.stdout)
        transcript = os.path.join(options.work, "device-transcript")
        if os.path.exists(transcript):
            with open(transcript, errors="replace") as text:
                print("--- the device's transcript\n" + text.read())
        return 1
    print("%s: passed in %.1f s" % (case.name, time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
