#!/usr/bin/env python3
r"""A simulated QEV device for the end-to-end tests and the demonstration.
Python 3.11, standard library only, written apart from the upgrade tool: it
shares no code with it, so a fault cannot hide in both. Its state and
upgrades are in device_simulator_device.py, its web server in
device_simulator_http.py, the status page in device_simulator_page.py, its
Digest check in device_simulator_digest.py, its TFTP client in
device_simulator_tftp.py, the flood in device_simulator_flood.py, the record
and transcript in device_simulator_record.py.

What it does
  HTTP    Listens on --address:--http-port. GET /admin/advanced returns the
          status page ("Product Name:", "MAC Address:", "Software Version:",
          "Hardware Version:", "Serial Number:", each value in the table cell
          after its label; the values byte for byte as given, see --field-
          escapes). With --password every request needs HTTP Digest
          (RFC 2617); each Authorization line is verified here with hashlib
          (user, realm, nonce, uri = request path, algorithm, opaque, qop, a
          rising nonce count, response), and a wrong one gets a 401 with the
          same nonce (an outdated nonce gets the current one, stale=TRUE).
          Replies end by closing the connection (but see --keep-alive).
  Upgrade GET /admin/upgrade?tftp://A.B.C.D:PORT/NAME is answered 200; then
          the device fetches NAME by TFTP (RFC 1350, options of RFC 2347 and
          2349) from A.B.C.D:PORT, and only from there, and only when that
          address belongs to this machine. It acknowledges an OACK with ACK 0,
          each new block with its ACK and a repeated block with the ACK again,
          and lingers a second after the last block to answer its repeat.
          One fetch at a time; any number in a run (two-stage upgrades).
          The server address counts as this machine's whenever a socket can
          be bound to it: 127.0.0.1 does for a device on 127.0.0.5.
  Reboot  A complete image of at least 128 bytes whose size matches the
          announced tsize is installed: the device is unreachable for
          --reboot-seconds, then reports the image's version (the
          NUL-terminated text at offset 92 of its 128-byte header) or the
          configured --report-version. The reboot starts as the fetch ends
          (the tftp event, a second after the last block, the linger) and
          ends when connections are taken again (the back_up event).
          A slow reboot: --reboot-seconds N with --reboot-unreachable refuse
          (the default) refuses every connection (RST, ECONNREFUSED) from the
          install event until N seconds later, then answers again.
  Devices Several run at once on one machine, one a loopback address each
          (--address 127.0.0.2, 127.0.0.3 ..., each on port 80), fetching
          from a tool on 127.0.0.1.

Options (defaults in brackets)
  --address ADDR            listen address [127.0.0.1]
  --http-port PORT          HTTP port, 0 for any free one [80]
  --lifetime SECONDS        the simulator ends itself after this long [300]
  --ready-file PATH         written, as {"address":..,"http_port":..}, once
                            the HTTP port listens; "ready ADDR:PORT" is also
                            printed on standard output then
  --record PATH             what the device saw, as JSON lines (below)
  --transcript PATH         human-readable transcript [standard error]
  --product-name, --serial, --mac, --hardware-version, --software-version
                            the status page's values; --software-version is
                            the version before any upgrade, e.g. "2.9.1(NT)".
                            These and --report-version reach the page byte
                            for byte (any byte but NUL, taken as latin-1)
  --field-escapes           in those values \xHH is the byte HH (\x00 too)
                            and \\ a backslash; any other backslash is an
                            error. E.g. --product-name 'QEV\x1b]0;owned\x07'
  --omit-after-upgrade LABEL  once an upgrade is installed, the page has no
                            row LABEL ("Product Name", "Serial Number", "MAC
                            Address", "Hardware Version", "Software
                            Version") at all (repeatable)
  --password TEXT           protect every page with Digest [no protection]
  --user TEXT [admin]  --realm TEXT [QEV Device]
  --qop auth|none [auth]    the challenge's qop (none: no qop parameter)
  --algorithm MD5|MD5-sess|none [MD5]   none: no algorithm parameter
  --algorithm-unquoted      the challenge's algorithm as a token, without
                            quotes (algorithm=MD5-sess; RFC 2617 allows it)
  --nextnonce               the challenge also carries nextnonce="<another
                            random value>", placed before nonce=; the check
                            of Authorization lines still expects the nonce
  --opaque TEXT             opaque value; "" for none [a fixed hex text]
  --nonce TEXT              the first nonce [random]
  --reboot-nonce same|new   nonce after each reboot [same]
  --plain-rrq               RRQ without options (just name and "octet")
  --fetch-delay SECONDS     from the upgrade command's reply to the RRQ [0.2]
  --no-fetch                the upgrade command is answered 200, but no RRQ
                            is ever sent (and nothing is installed)
  --tftp-silence SECONDS    a fetch ends after this long without a packet [5]
  --save-image PREFIX       write each received image to PREFIX.1, PREFIX.2..
  --lose-ack N              do not send the first ACK of block N (repeatable;
                            block 0 is the ACK of the OACK)
  --duplicate-ack N         send the first ACK of block N twice (repeatable)
  --wrong-port-ack N        send the first ACK of block N from another UDP
                            port (repeatable)
  --ack-delay BLOCK:SECONDS wait SECONDS before the first ACK of BLOCK
                            (repeatable; block 0 is the ACK of the OACK),
                            sending nothing meanwhile; repeats arriving then
                            are counted as received again, not answered. The
                            ACK then goes out as the other faults say; the
                            silence and the linger count from it
  --stop-at-block N         acknowledge nothing from block N on (0: never
                            acknowledge the OACK); the device keeps counting
                            what arrives until --tftp-silence, and installs
                            nothing
  --reboot-seconds SECONDS  unreachable time after an install [5]
  --reboot-unreachable refuse|close   while rebooting, connections are
                            refused (listener closed) or accepted and closed
                            without a reply [refuse]
  --stay-down               after an install the device never comes back
  --report-version TEXT     the n-th use of this option is the version
                            reported after upgrade n (repeatable); upgrades
                            beyond the list report their image's version
  --keep-alive SECONDS      keep each connection open this long after the
                            reply (a server that relies on reply framing) [0]
  --hold-command-reply      the reply to an accepted upgrade command has no
                            Content-Length and no "Connection: close" (it
                            ends only as the connection closes); the fetch
                            starts at once (after --fetch-delay) and the
                            connection is closed once the device is back up
                            from the reboot that follows, or as the fetch
                            ends without an install (at once with
                            --no-fetch), or at --lifetime or SIGTERM
  --flood SECONDS           from the moment an upgrade command is accepted,
                            send stray datagrams as fast as possible for
                            SECONDS (or until --lifetime or SIGTERM) from a
                            UDP socket of their own on --address to the
                            server address and port of the command (only an
                            address of this machine): in turn an ACK of any
                            block number, another opcode (never an RRQ) with
                            junk after it, and junk of 0 to 1400 bytes; the
                            same datagrams in every run

The record (--record): one JSON object a line, each with "t" (seconds since
the start, monotonic) and "event". Texts from the network or the command
line are their bytes taken as latin-1 (one character each); the transcript
writes control characters in them as \xHH.
  ready         address, http_port, page {label: value given}
  http          peer, request (the request line), path, host, authorization
                (the header's value or null), verified (true, false, or null
                when no password is set), challenge (the WWW-Authenticate
                value sent, or null), status (null: not answered, the device
                was rebooting)
  digest        the check of one Authorization line: verified, reason
                ("verified", "stale nonce", "wrong response", ...), fields
                (its parameters, names in lower case), nonce (the current)
  upgrade       address, port, name, upgrade (1, 2, ..; null when not
                accepted), accepted, reason (malformed | busy | null), fetch
                (true when a fetch follows; false with --no-fetch)
  tftp          upgrade, outcome (complete | stopped | abandoned | error |
                refused | lifetime), rrq_hex, oack_hex (null without OACK),
                oack_count, oack_as_expected (exactly the bytes for the
                size: the received size when complete, else the announced
                tsize), tsize, size, sha256, blocks, resent {block: times
                received again}, resend_gaps_ms {block: [gaps]}, faults
                [{kind (lose_ack | duplicate_ack | wrong_port_ack | delay_ack
                | stop), block, seconds (delay_ack only)}], stray_packets,
                started, last_ack, finished
  install       upgrade, installed, reason, image_version, version
                (reported after the reboot), reboot_seconds, stay_down, nonce,
                omitted (the rows left out from now on)
  back_up       version, upgrade (whose reboot is over)
  flood_started upgrade, address, port, source_port: the first datagram of
                a flood is out
  flood         upgrade, address, port, sent, failed (sends refused by the
                system), seconds (how long it ran), source_port, reason (done
                | lifetime | terminated | refused: not this machine's)
  held_reply    upgrade, reason (back up | fetch ended | no fetch | lifetime
                | terminated), held_seconds: the held command reply closed
  end           reason (lifetime | terminated)
"""
import argparse
import os
import signal
import sys

sys.dont_write_bytecode = True  # no byte code written into the source tree
from device_simulator_device import Device
from device_simulator_http import HttpServer
from device_simulator_page import LABELS, command_line_value
from device_simulator_record import Record

PAGE_VALUE_OPTIONS = ("product_name", "serial", "mac", "hardware_version", "software_version")


def block_and_seconds(text):
    """BLOCK:SECONDS of --ack-delay."""
    block, colon, seconds = text.partition(":")
    if not colon or not block.isdigit() or float(seconds) < 0:
        raise ValueError(text)
    return int(block), float(seconds)


def positive_seconds(text):
    if float(text) <= 0:
        raise ValueError(text)
    return float(text)


def parse_arguments(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    add = parser.add_argument
    add("--address", default="127.0.0.1")
    add("--http-port", type=int, default=80)
    add("--lifetime", type=float, default=300.0)
    add("--ready-file")
    add("--record")
    add("--transcript")
    add("--product-name", default="QEV-1040")
    add("--serial", default="QA10400012345")
    add("--mac", default="00:00:5E:00:53:10")
    add("--hardware-version", default="1.0.2")
    add("--software-version", default="2.9.1(QE)")
    add("--field-escapes", action="store_true")
    add("--omit-after-upgrade", choices=LABELS, action="append", default=[])
    add("--password")
    add("--user", default="admin")
    add("--realm", default="QEV Device")
    add("--qop", choices=["auth", "none"], default="auth")
    add("--algorithm", choices=["MD5", "MD5-sess", "none"], default="MD5")
    add("--algorithm-unquoted", action="store_true")
    add("--nextnonce", action="store_true")
    add("--opaque", default="5ccc069c403ebaf9f0171e9517f40e41")
    add("--nonce")
    add("--reboot-nonce", choices=["same", "new"], default="same")
    add("--plain-rrq", action="store_true")
    add("--fetch-delay", type=float, default=0.2)
    add("--tftp-silence", type=float, default=5.0)
    add("--save-image")
    add("--lose-ack", type=int, action="append", default=[])
    add("--duplicate-ack", type=int, action="append", default=[])
    add("--wrong-port-ack", type=int, action="append", default=[])
    add("--stop-at-block", type=int)
    add("--ack-delay", type=block_and_seconds, action="append", default=[])
    add("--no-fetch", action="store_true")
    add("--flood", type=positive_seconds)
    add("--reboot-seconds", type=float, default=5.0)
    add("--reboot-unreachable", choices=["refuse", "close"], default="refuse")
    add("--stay-down", action="store_true")
    add("--report-version", action="append", default=[])
    add("--keep-alive", type=float, default=0.0)
    add("--hold-command-reply", action="store_true")
    args = parser.parse_args(argv)
    try:
        for option in PAGE_VALUE_OPTIONS:
            setattr(args, option, command_line_value(getattr(args, option), args.field_escapes))
        args.report_version = [command_line_value(text, args.field_escapes) for text in args.report_version]
    except ValueError as error:
        parser.error("a page value: %s" % error)
    return args


def main():
    args = parse_arguments()
    record = Record(args.record, args.transcript)
    device = Device(args, record)
    server = HttpServer(args, record, device)

    # Only a flag, which the serving loop reads at least every POLL_SECONDS:
    # an exception raised from a signal handler lands wherever the main
    # thread happens to be, and where exceptions are ignored (a weak
    # reference's callback during garbage collection) it was lost, and the
    # simulator served on until its lifetime was over.
    def terminate(signum, frame):
        device.terminated = True

    signal.signal(signal.SIGTERM, terminate)
    signal.signal(signal.SIGINT, terminate)
    server.serve()
    os._exit(0)   # the connection and fetch threads end with the process


if __name__ == "__main__":
    main()
