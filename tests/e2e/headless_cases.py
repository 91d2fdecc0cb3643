"""The end-to-end cases of the Linux program as a command-line tool: one
behaviour each, run by headless_test.py against the simulated device. A case
gives the program's arguments (without dialogs, --address; with them, the
line mode's answers on standard input), the device's options, the exit
status, the texts standard error must show in that order, and checks of the
device's record, the program's JSON events and the record of runs. Texts in
braces are filled in: {device} the device's address, {work} the case's
directory, {record} the record of runs there, {target} the image's version,
{size} its size and {blocks} its block count."""
import json
from dataclasses import dataclass, field

DEVICE = "127.0.0.2"   # the simulated device; the program reaches it from 127.0.0.1
PASSWORD = "s3cret"
DIGEST = ["--password", PASSWORD]
SILENT = "silent"      # a device that takes the connection and never answers
NO_ROUTE = "192.0.2.55"  # no route to it in a namespace with loopback alone
FLEET = ["127.0.0.%d" % host for host in range(2, 10)]  # eight devices; the even ones ask for a password
UPGRADE = ["--address", "{device}", "--yes", "--record", "{record}"]


@dataclass
class Case:
    name: str
    arguments: list
    device: object = field(default_factory=list)  # simulator options; None: no device; SILENT
    status: int = 0
    lines: list = field(default_factory=list)     # texts of standard error, in this order
    checks: list = field(default_factory=list)    # functions of the run (headless_test.Run)
    environment: dict = field(default_factory=dict)
    files: dict = field(default_factory=dict)     # written into the case's directory first
    input: str = ""                               # standard input, then its end
    interrupt_after: str = ""                     # Ctrl-C once standard error shows this
    addresses: list = field(default_factory=list)  # more addresses of this PC, on loopback ("192.0.2.1/24")


# ---- checks -------------------------------------------------------------------

def check(condition, text):
    if not condition:
        raise AssertionError(text)


def served(run):
    """The target image fetched once, whole and byte for byte."""
    got = [event["sha256"] for event in run.device_record.events("tftp") if event["outcome"] == "complete"]
    check(got == [run.facts["sha256"]], "images served %r" % got)


def verified_credentials(run):
    requests = run.device_record.events("http")
    statuses = [event["status"] for event in requests]
    check(statuses == [401, 200, 200, 200], "statuses %r" % statuses)
    check(all(event["verified"] for event in requests[1:]), "a request without verified credentials")


def one_request(run):
    check(len(run.device_record.events("http")) == 1, "more than the status query")


def no_upgrade_command(run):
    check(not run.device_record.events("upgrade"), "an upgrade command")


def no_request(run):
    check(not run.device_record.events("http"), "the device was asked something")


def recorded(outcome, status, version_after, whole=True):
    """The record of runs holds one line: this device, its facts before, the
    image, the bytes, the durations and how the run ended."""
    def run_recorded(run):
        check(len(run.runs) == 1, "%d lines in the record" % len(run.runs))
        line = run.runs[0]
        check(line["device"] == DEVICE and line["local_address"] == "127.0.0.1", "device %r" % line)
        check(line["before"] == {"product_name": "QEV-1040", "mac_address": "00:00:5E:00:53:10",
                                 "software_version": "2.9.1(QE)", "hardware_version": "1.0.2",
                                 "serial_number": "QA10400012345"}, "before %r" % line["before"])
        check(line["image"] == {"version": run.facts["target"], "size": run.facts["size"]}, "image %r" % line)
        check(line["version_after"] == (version_after and run.fill(version_after)), "after %r" % line)
        check(line["outcome"] == outcome and line["exit_status"] == status, "outcome %r" % line)
        check(line["bytes_sent"] == (run.facts["size"] if whole else 0), "bytes %r" % line)
        durations = line["durations_ms"]
        check(set(durations) == {"query", "transfer", "reboot_wait"} and all(v >= 0 for v in durations.values()),
              "durations %r" % durations)
        check(outcome != "upgraded" or durations["reboot_wait"] >= 29000, "reboot wait %r" % durations)
        check(line["time"].endswith("Z") and line["text"], "time or text %r" % line)
    return run_recorded


def json_events(run):
    """Every line of standard output is one JSON object; the events come in
    the upgrade's order (the command's news once the device has answered it,
    which may come after the device's request), the upload's in rising
    steps; nothing on standard error."""
    check(run.stderr == "", "standard error: %r" % run.stderr)
    events = [json.loads(line) for line in run.stdout.splitlines()]
    kinds = [event["event"] for event in events]
    uploads = [event["percent"] for event in events if event["event"] == "upload"]
    collapsed = [kind for i, kind in enumerate(kinds)
                 if kind != "command" and (kind != "upload" or kinds[i - 1] != "upload")]
    check(collapsed == ["start", "query", "device", "waiting", "upload_started", "upload", "reboot_wait", "query",
                        "installed", "end"], "events %r" % kinds)
    check(kinds.count("command") == 1 and kinds.index("device") < kinds.index("command") < kinds.index("installed"),
          "the command's event %r" % kinds)
    check(uploads == sorted(set(uploads)) and uploads[-1] == 100, "upload steps %r" % uploads)
    first = {event["event"]: event for event in reversed(events)}
    check(first["device"]["software_version"] == "2.9.1(QE)" and first["installed"]["version"] == run.facts["target"]
          and first["command"] == {"event": "command", "address": "127.0.0.1", "port": 69},
          "device, command or installed %r" % events)
    check(events[-1] == {"event": "end", "outcome": "upgraded", "exit_status": 0, "text": "Upgraded"},
          "end %r" % events[-1])


def warned_before_the_command(run):
    warning = run.stderr.find("is not on the subnet of the device at " + DEVICE)
    check(0 <= warning < run.stderr.find("waiting up to"), "no warning before the command:\n" + run.stderr)
    command = run.device_record.events("upgrade")
    check(command and command[0]["address"] == "192.0.2.1", "upgrade command %r" % command)


def warning_box(run):
    check("QEV Firmware Upgrade Warning" in run.stdout and "192.0.2.1 (mask 255.255.255.0) is not on the subnet"
          in run.stdout.replace("\n", " "), "no warning box:\n" + run.stdout)


# ---- the cases ------------------------------------------------------------------

NEVER_ASKED = ("hint: {device} was told to fetch the firmware by TFTP from 127.0.0.1, UDP port 69, and never "
               "asked for it. 127.0.0.1 is on the device's subnet (mask 255.0.0.0). A firewall on this PC must "
               "let UDP to port 69 through.")

CASES = [
    Case("upgrade", UPGRADE,
         lines=["firmware {target} for the QEV-1040, fetched by the device from this PC at 127.0.0.1",
                "QEV-1040, MAC 00:00:5E:00:53:10, serial QA10400012345, hardware 1.0.2, software 2.9.1(QE)",
                "uploaded 100% ({size} of {size} bytes)", "installed version {target}",
                "ended: Upgraded (exit status 0)"],
         checks=[served, recorded("upgraded", 0, "{target}")]),
    Case("json_events", ["--address", "{device}", "--yes", "--json"], checks=[served, json_events]),
    Case("password_from_file", ["--address", "{device}", "--yes", "--password-file", "{work}/password"], DIGEST,
         files={"password": PASSWORD + "\n"}, checks=[verified_credentials, served]),
    Case("password_from_environment", ["--address", "{device}", "--yes"], DIGEST,
         environment={"QEV_PASSWORD": PASSWORD}, checks=[verified_credentials, served]),
    Case("password_from_standard_input", ["--address", "{device}", "--yes", "--password-file", "-"], DIGEST,
         input=PASSWORD + "\n", checks=[verified_credentials]),
    Case("password_missing", ["--address", "{device}", "--yes"], DIGEST, status=1,
         lines=["Upgrade Failed: The QEV asks for a password, and none was given",
                "hint: Give the device's password in a file, --password-file FILE"], checks=[one_request]),
    Case("password_refused", ["--address", "{device}", "--yes"], DIGEST, status=1,
         environment={"QEV_PASSWORD": "wrong"}, lines=["Upgrade Failed: The QEV refused the password"],
         checks=[no_upgrade_command]),
    Case("connection_refused", UPGRADE, None, status=1,
         lines=["Upgrade Failed: No Response From QEV",
                "hint: {device} refused the connection to its port 80: nothing listens there."],
         checks=[lambda run: check(run.runs[0]["outcome"] == "no_response" and run.runs[0]["before"] is None,
                                   "record %r" % run.runs)]),
    Case("no_route", ["--address", NO_ROUTE, "--yes"], None, status=1,
         lines=["Upgrade Failed: No Response From QEV",
                "hint: There is no route from this PC (127.0.0.1) to %s." % NO_ROUTE]),
    Case("silent_device", ["--address", "{device}", "--yes"], SILENT, status=1,
         lines=["Upgrade Failed: No Response From QEV", "hint: The connection to {device} port 80 timed out"]),
    Case("never_asked", ["--address", "{device}", "--yes", "--request-wait", "3"], ["--no-fetch"], status=1,
         lines=["waiting up to 3 s for the device to ask for the firmware",
                "Upgrade Failed: Firmware Upload Incomplete", NEVER_ASKED, "ended: Upgrade Failed"]),
    Case("transfer_stopped", ["--address", "{device}", "--yes"], ["--stop-at-block", "50"], status=1,
         lines=["Upgrade Failed: Firmware Upload Incomplete",
                "hint: The transfer stopped at block 50 of {blocks} (25088 of {size} bytes acknowledged)"]),
    Case("not_verified", UPGRADE, ["--stay-down"], status=4,
         lines=["hint: {device} was not heard from after its reboot: the upgrade may still have worked. Once the "
                "device is back, its status page shows its version (Software Version): "
                "http://{device}/admin/advanced", "ended: Not heard from after the reboot (exit status 4)"],
         checks=[served, recorded("not_verified", 4, None)]),
    Case("version_mismatch", ["--address", "{device}", "--yes"], ["--report-version", "3.1.24(qe)"], status=1,
         lines=["Upgrade Failed: Version not matching", "hint: {device} reports version '3.1.24(qe)' after its reboot"]),
    Case("interrupted_while_waiting", UPGRADE, ["--no-fetch"], status=3, interrupt_after="UDP port 69\n",
         lines=["Upgrade Failed: User Abort", NEVER_ASKED, "ended: Upgrade Failed: User Abort (exit status 3)"],
         checks=[recorded("user_abort", 3, None, whole=False)]),
    Case("confirmation_declined", ["--address", "{device}"], input="y\nn\n", status=3,
         lines=["Continue? [y/N] ", "Upgrade {device} from 2.9.1(QE) to {target}? [y/N] ",
                "Upgrade Failed: User Abort"], checks=[one_request]),
    Case("end_of_input_at_the_warning", ["--address", "{device}"], status=3,
         lines=["Continue? [y/N] ", "ended: Cancelled before the device was asked (exit status 3)"],
         checks=[no_request]),
    Case("subnet_warning", ["--address", "{device}", "--yes", "--local-address", "192.0.2.1"],
         addresses=["192.0.2.1/24"], checks=[warned_before_the_command, served]),
    # The dialogs, answered as lines: the hints and the warning there too.
    Case("dialogs_hint_after_no_response", ["--record", "{record}"], None, status=1,
         input="continue\n{device}\nok\n\n", lines=["qev-upgrade: hint: {device} refused the connection to its port 80"],
         checks=[lambda run: check([(line["device"], line["outcome"]) for line in run.runs] == [(DEVICE, "no_response")],
                                   "record %r" % run.runs)]),
    Case("dialogs_subnet_warning", [], input="continue\n{device}\n192.0.2.1\nok\nupgrade\n\nok\n",
         addresses=["192.0.2.1/24"], checks=[warning_box, served]),
    # Eight devices at once, headless, with the record as the summary (headless_test.run_fleet).
    Case("fleet", [], FLEET),
]
