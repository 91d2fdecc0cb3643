"""The end-to-end cases: one behaviour of the whole program each, as the
user's steps through the dialogs, the simulated device's options and what
its record must show. The drivers (e2e_drivers.py) turn the steps into
answered lines, keys in a terminal or clicks under Wine; e2e_test.py runs a
case. Texts in braces are filled in from the build's images: {target} and
{transition}, their versions."""
import re
from dataclasses import dataclass, field

USER_ABORT = "Upgrade Failed: User Abort"
PASSWORD = "s3cret"
DIGEST = ["--password", PASSWORD]
SILENT = "silent"  # a device that takes the connection and never answers


@dataclass
class Step:
    kind: str                 # warning, address, password, confirm, cancel, message, success
    button: str = ""
    text: str = ""            # the address typed, the password, the message, the version shown
    dialog: str = ""          # cancel: connecting, waiting or upload
    shows: list = field(default_factory=list)   # texts the dialog must show
    lacks: list = field(default_factory=list)   # texts it must not show
    after_event: str = ""     # first wait for this event in the device's record


def warning(button="Continue"):
    return Step("warning", button)


def address(text="127.0.0.1", button="OK", shows=()):
    return Step("address", button, text, shows=list(shows))


def password(text=PASSWORD, button="OK"):
    return Step("password", button, text)


def confirm(button="Upgrade", note=False, shows=(), lacks=()):
    # The two-stage program's confirmation names the transition version.
    phrase = "is older than {transition}"
    return Step("confirm", button, shows=list(shows) + ([phrase] if note else []),
                lacks=list(lacks) + ([] if note else [phrase[:13]]))


def cancel(dialog, after_event=""):
    return Step("cancel", "Cancel", dialog=dialog, after_event=after_event)


def message(text, caption="QEV Firwmare Upgrade Error", after_event=""):
    return Step("message", "OK", text, shows=[caption], after_event=after_event)


def success(version="{target}"):
    return Step("success", "OK", version)


@dataclass
class Case:
    name: str
    steps: list
    device: object = field(default_factory=list)  # simulator options; None: no device; SILENT
    program: str = "single"   # single, two-stage or phone
    checks: list = field(default_factory=list)    # functions of (record, facts)
    screen: bool = False      # also run full-screen in a terminal
    windows: bool = True      # also run the Windows program (behaviour both programs share)


# ---- what the device's record must show ---------------------------------------

def check(condition, text):
    if not condition:
        raise AssertionError(text)


def served(*images):
    """The images fetched, complete and byte-identical, in this order."""
    def served_images(record, facts):
        got = [event["sha256"] for event in record.events("tftp") if event["outcome"] == "complete"]
        check(got == [facts["sha256"][image] for image in images],
              "images served %r, expected %s" % (got, ", ".join(images)))
        check(all(event["oack_as_expected"] for event in record.events("tftp")), "an OACK not as expected")
    return served_images


def commands(*digits):
    """The upgrade commands: the listener's port 69 (free in the namespace)
    and a name of the form /qev%x.bi<digit> each, all names different."""
    def upgrade_commands(record, facts):
        got = [(event["port"], event["name"]) for event in record.events("upgrade")]
        check(len(got) == len(digits) and len({name for _, name in got}) == len(got), "upgrade commands %r" % got)
        for (port, name), digit in zip(got, digits):
            check(port == 69 and re.fullmatch(r"/qev[0-9a-f]{1,4}\.bi" + digit, name), "upgrade command %r" % name)
    return upgrade_commands


def no_request(record, facts):
    check(not record.events("http"), "the device was asked something")


def no_upgrade_command(record, facts):
    check(len(record.events("http")) == 1 and not record.events("upgrade"), "more than the status query")


def without_credentials(record, facts):
    check(all(event["authorization"] is None for event in record.events("http")), "an Authorization line")


def credentials_carried(record, facts):
    """One challenge, then every request (the upgrade command and the query
    after the reboot too) answered at once with verified credentials."""
    requests = record.events("http")
    check([event["status"] for event in requests] == [401, 200, 200, 200],
          "statuses %r" % [event["status"] for event in requests])
    check(all(event["verified"] for event in requests[1:]), "a request without verified credentials")
    check(requests[2]["path"].startswith("/admin/upgrade?tftp://127.0.0.1:"), "third request " + requests[2]["path"])
    check(requests[3]["t"] > record.first("back_up")["t"], "no status query after the reboot")


def wrong_then_right(record, facts):
    reasons = [event["reason"] for event in record.events("digest")]
    check(reasons == ["wrong response", "verified"], "digest checks %r" % reasons)


def one_automatic_retry(record, facts):
    """After the reboot the device has a new nonce: the stored credentials
    are refused once, then sent again with it."""
    back = record.first("back_up")["t"]
    after = [event for event in record.events("http") if event["t"] > back]
    check([(event["status"], event["verified"]) for event in after] == [(401, False), (200, True)],
          "after the reboot %r" % [(event["status"], event["verified"]) for event in after])
    check(after[0]["authorization"] is not None, "the first query after the reboot carried no credentials")


def block_sent_times(block, times):
    def block_sent(record, facts):
        transfers = record.events("tftp")
        check(len(transfers) == 1, "%d transfers" % len(transfers))
        transfer = transfers[0]
        check(transfer["outcome"] == "stopped", "transfer " + transfer["outcome"])
        check(transfer["resent"].get(str(block)) == times - 1, "block %d resent %r times, expected %d"
              % (block, transfer["resent"].get(str(block)), times - 1))
    return block_sent


def nothing_after_install(record, facts):
    install = record.first("install")
    check(install["installed"] and install["stay_down"], "install %r" % install)
    check(not [event for event in record.events("http") if event["t"] > install["t"]], "a request was answered")


def resends_back_off(block):
    """The outstanding block went again after 100 ms at first, the gaps
    growing, until the device had been silent for over 45 s."""
    def backed_off(record, facts):
        gaps = record.first("tftp")["resend_gaps_ms"].get(str(block), [])
        check(len(gaps) == 29, "block %d resent %d times" % (block, len(gaps)))
        check(gaps[0] < 1000 and gaps[-1] > gaps[0], "gaps %r" % gaps)
        check(sum(gaps) > 40000, "gave up %.1f s after the first sending" % (sum(gaps) / 1000.0))
    return backed_off


def verified_after_seconds(seconds):
    """The status query after the reboot was answered only once the device
    took connections again, that long after its install."""
    def verified_late(record, facts):
        install = record.first("install")["t"]
        answered = [event for event in record.events("http") if event["t"] > install and event["status"] == 200]
        check(answered and answered[0]["t"] - install >= seconds, "answered %r" % [e["t"] - install for e in answered])
    return verified_late


def oack_sent_again(record, facts):
    """The device paused before its first ACK; the OACK went again meanwhile."""
    check(record.first("tftp")["oack_count"] > 2, "OACK sent %d times" % record.first("tftp")["oack_count"])


def flooded(record, facts):
    """The flood was under way before the Cancel (the step waited for it)
    and still went on when the program had ended."""
    floods = record.events("flood")
    check(floods and floods[0]["sent"] > 0 and floods[0]["reason"] == "terminated", "flood %r" % floods)


def held_reply_closed(record, facts):
    check(record.events("held_reply"), "the command's reply was not held")


STATUS_QUERY = [warning(), address()]
UPGRADE = [warning(), address(), confirm()]

CASES = [
    # The confirmation shows the device's status page (the simulator's defaults).
    Case("upgrade_without_password",
         [warning(), address(), confirm(shows=["QA10400012345", "00:00:5E:00:53:10", "2.9.1(QE)"]), success()],
         checks=[without_credentials, served("target"), commands("1")]),
    Case("upgrade_with_digest", STATUS_QUERY + [password(), confirm(), success()], DIGEST,
         checks=[credentials_carried, served("target")], screen=True),
    Case("wrong_password_then_right",
         STATUS_QUERY + [password("wrong"), password(), confirm("Cancel"), message(USER_ABORT)],
         DIGEST + ["--qop", "none", "--opaque", ""], checks=[wrong_then_right]),
    Case("nonce_renewed_across_reboot", STATUS_QUERY + [password(), confirm(), success()],
         DIGEST + ["--algorithm", "MD5-sess", "--reboot-nonce", "new"], checks=[one_automatic_retry]),
    Case("version_mismatch", UPGRADE + [message("Upgrade Failed: Version not matching")],
         ["--report-version", "3.1.24(qe)"], checks=[served("target")]),  # the sample's version in lower case
    Case("unreachable_device", STATUS_QUERY + [message("Upgrade Failed: No Response From QEV")], None),
    Case("cancel_in_warning", [warning("Cancel")], checks=[no_request]),
    Case("cancel_in_address", [warning(), address(button="Cancel")], checks=[no_request]),
    Case("cancel_in_confirmation", UPGRADE[:2] + [confirm("Cancel"), message(USER_ABORT)],
         checks=[no_upgrade_command]),
    Case("cancel_in_connecting", STATUS_QUERY + [cancel("connecting"), message(USER_ABORT)], SILENT),
    Case("cancel_in_waiting", UPGRADE + [cancel("waiting", after_event="upgrade"), message(USER_ABORT)],
         ["--fetch-delay", "120"]),
    Case("cancel_in_upload", UPGRADE + [cancel("upload"), message(USER_ABORT)], ["--stop-at-block", "100"]),
    Case("invalid_address_then_valid",
         [warning(), address(""), message("Invalid IP Address", "Error"), address(), confirm("Cancel"),
          message(USER_ABORT)], checks=[no_upgrade_command]),
    # The device records the transfer once it has heard nothing for a while
    # (e2e_test.TFTP_SILENCE): the message waits for that.
    Case("device_stops_acknowledging",
         UPGRADE + [message("Upgrade Failed: Firmware Upload Incomplete", after_event="tftp")],
         ["--stop-at-block", "50"], checks=[block_sent_times(50, 30), resends_back_off(50)]),
    # Real devices are slower than the simulator: a web server still refusing
    # 36 s after the transfer (6 s past the reboot wait), a pause of 4 s
    # before the first ACK (erasing the flash).
    Case("device_back_36_s_after_the_transfer", UPGRADE + [success()], ["--reboot-seconds", "36"],
         checks=[served("target"), verified_after_seconds(36)]),
    Case("pause_before_the_first_ack", UPGRADE + [success()], ["--ack-delay", "0:4"],
         checks=[served("target"), oack_sent_again]),
    # A host that floods the tool's port while it waits for the request: Cancel
    # is still taken at once (the flood outlasts the driver's patience).
    Case("cancel_during_a_flood", UPGRADE + [cancel("waiting", after_event="flood_started"), message(USER_ABORT)],
         ["--no-fetch", "--flood", "300"], checks=[flooded]),
    # What a device sends is shown with its controls as '?' in a terminal
    # (the Windows program shows it in an edit control).
    Case("control_bytes_in_a_field",
         STATUS_QUERY + [confirm("Cancel", shows=["QEV?]0;owned?-1040", "?[2J"], lacks=["\x1b"]),
                         message(USER_ABORT)],
         ["--field-escapes", "--product-name", "QEV\\x1b]0;owned\\x07-1040", "--mac", "\\x1b[2J"],
         screen=True, windows=False, checks=[no_upgrade_command]),
    # A device already at the image's version whose page after the reboot has
    # no version: nothing says the upgrade took.
    Case("no_version_after_the_reboot", UPGRADE + [message("Upgrade Failed: Version not matching")],
         ["--software-version", "{target}", "--omit-after-upgrade", "Software Version"], checks=[served("target")]),
    # A device that fetches first and holds the command's reply open through
    # its reboot: the verification queries meanwhile; the two-stage program's
    # second command still goes out.
    Case("command_reply_held_open", UPGRADE + [success()], ["--hold-command-reply"],
         checks=[served("target"), held_reply_closed]),
    Case("two_stage_command_reply_held_open", STATUS_QUERY + [confirm(note=True), success()],
         ["--software-version", "2.4.3(QE)", "--hold-command-reply"], program="two-stage",
         checks=[served("transition", "target"), commands("0", "1")]),
    # Challenges as devices write them: an unquoted algorithm, a nextnonce
    # before the nonce.
    Case("challenge_with_unquoted_algorithm_and_nextnonce", STATUS_QUERY + [password(), confirm(), success()],
         DIGEST + ["--algorithm", "MD5-sess", "--algorithm-unquoted", "--nextnonce"],
         checks=[credentials_carried, served("target")]),
    Case("device_stays_down_after_reboot", UPGRADE, ["--stay-down"], checks=[nothing_after_install]),
    Case("phone_version_not_compared",
         [warning(), address(shows=["Network"]), confirm(), success("9.9.9(XX)")],
         ["--report-version", "9.9.9(XX)"], program="phone", checks=[served("phone")]),
    Case("two_stage_nt_device_gets_transition_first",
         STATUS_QUERY + [confirm(note=True), cancel("upload", after_event="tftp"), message(USER_ABORT)],
         ["--software-version", "9.9.9(NT)"], program="two-stage", checks=[served("transition")]),
    Case("two_stage_device_at_transition_version", STATUS_QUERY + [confirm(note=False), success()],
         ["--software-version", "{transition}"], program="two-stage", checks=[served("target")]),
    Case("two_stage_full_run", STATUS_QUERY + [confirm(note=True), success()],
         ["--software-version", "2.4.3(QE)"], program="two-stage",
         checks=[served("transition", "target"), commands("0", "1")]),
]


def cases_for(driver):
    """Every case runs in line mode and, but for the terminal's own, under
    Wine; full-screen, those that say so."""
    return [case for case in CASES
            if (case.screen or driver != "screen") and (case.windows or driver != "windows")]


if __name__ == "__main__":
    import sys
    print(";".join(case.name for case in cases_for(sys.argv[1])), end="")
