#!/usr/bin/env python3
"""Runs a command with Wine ready for it: a display, the Wine prefix made
(tools/wine_prefix.sh) and its Wine server started here, then ends the
server and the display it started, however the command ends. The command
gets DISPLAY and QEV_WINEPREFIX, so that tools/wine_run.sh runs its
programs in this prefix and on this display. Start it inside the network
namespace the programs are to use: Wine makes every socket in its server.
Used by tools/run_windows_tests.sh, bench/tftp_benchmark.sh --windows and
tools/demo_windows.sh.

Usage: wine_session.py --prefix DIR [--user-display] [--cpu N] [--lifetime SECONDS]
                       [--also-end PREFIX]... -- COMMAND [ARGUMENTS...]
  --prefix DIR       the Wine prefix (made on first use)
  --user-display     the caller's $DISPLAY when there is one; otherwise, and
                     by default, a private Xvfb on a free display
  --cpu N            the Xvfb and the Wine server kept on CPU N
  --lifetime S       the Xvfb ends after S seconds even if this script is
                     killed [3600]
  --also-end PREFIX  at the end, also end the Wine server of PREFIX (one the
                     command's own tests start)
Exits with the command's status."""
import argparse
import signal
import subprocess
import sys

sys.dont_write_bytecode = True  # no byte code written into the source tree
from qev_harness import Failure, WineSession, exit_on_signals, hold_signals

ENDING_SIGNALS = (signal.SIGTERM, signal.SIGHUP)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--user-display", action="store_true")
    parser.add_argument("--cpu", type=int)
    parser.add_argument("--lifetime", type=int, default=3600)
    parser.add_argument("--also-end", action="append", default=[])
    parser.add_argument("command", nargs=argparse.REMAINDER)
    options = parser.parse_args()
    command = options.command[1:] if options.command[:1] == ["--"] else options.command
    if not command:
        parser.error("no command")
    # An ending signal ends the command and cleans up, as its own end does.
    exit_on_signals(ENDING_SIGNALS, lambda number: 128 + number)

    session = WineSession(options.prefix, use_display=options.user_display, lifetime=options.lifetime,
                          cpu=options.cpu)
    process = None
    try:
        session.start()
        print("wine_session.py: Wine prefix %s on display %s" % (session.prefix, session.environment["DISPLAY"]),
              file=sys.stderr, flush=True)
        session.start_server()
        process = subprocess.Popen(command, env=session.environment)
        return process.wait()
    except (Failure, subprocess.SubprocessError) as failure:
        print("wine_session.py: %s" % failure, file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        return 130
    finally:
        hold_signals(ENDING_SIGNALS + (signal.SIGINT,))  # the cleanup runs to its end
        if process is not None and process.poll() is None:
            process.terminate()
            try:
                process.wait(30)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        for prefix in options.also_end:
            session.end_server(prefix)
        session.close()


if __name__ == "__main__":
    sys.exit(main())
