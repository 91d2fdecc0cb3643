"""What processes cost while they wait, read from /proc: the CPU time of each
(utime + stime of /proc/PID/stat, all its threads) and its wake-ups (the
voluntary and involuntary context switches of each of its threads, from
/proc/PID/task/*/status), over a span of seconds."""
import os
import time
from dataclasses import dataclass

TICKS_PER_SECOND = os.sysconf("SC_CLK_TCK")
SWITCH_FIELDS = ("voluntary_ctxt_switches:", "nonvoluntary_ctxt_switches:")
BUSY_THREADS_SHOWN = 4


@dataclass
class Usage:
    seconds: float         # how long it was measured
    cpu_percent: float     # of one core
    wakeups: float         # a second, all threads together
    threads: list          # (wake-ups a second, "PID/TID name") of each thread, busiest first


def cpu_ticks(pid):
    """utime + stime of the whole process, in clock ticks."""
    with open("/proc/%d/stat" % pid) as stat:
        # The command name (field 2) may hold spaces: count from its closing parenthesis.
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # fields 14 and 15 of the whole line


def thread_switches(pid):
    """{(pid, thread id): (voluntary + involuntary context switches so far, thread name)}."""
    switches = {}
    for thread in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/status" % (pid, thread)) as status:
                lines = status.readlines()
        except FileNotFoundError:  # the thread ended while the list was read
            continue
        name = lines[0].split(None, 1)[1].strip() if lines[0].startswith("Name:") else "?"
        count = sum(int(line.split()[1]) for line in lines if line.startswith(SWITCH_FIELDS))
        switches[(pid, int(thread))] = (count, name)
    return switches


def snapshot(pids):
    ticks, switches = 0, {}
    for pid in pids:
        ticks += cpu_ticks(pid)
        switches.update(thread_switches(pid))
    return ticks, switches


def measure(groups, seconds):
    """Sleeps `seconds` and returns a Usage for each group of process ids,
    all measured over the same span. A thread that starts meanwhile counts
    from zero; one that ends meanwhile is not counted."""
    before, started = [snapshot(pids) for pids in groups], time.monotonic()
    time.sleep(seconds)
    after, elapsed = [snapshot(pids) for pids in groups], time.monotonic() - started
    usages = []
    for (ticks_before, switches_before), (ticks_after, switches_after) in zip(before, after):
        threads = sorted((((count - switches_before.get(key, (0, ""))[0]) / elapsed, "%d/%d %s" % (*key, name))
                          for key, (count, name) in switches_after.items()), reverse=True)
        usages.append(Usage(elapsed, 100.0 * (ticks_after - ticks_before) / TICKS_PER_SECOND / elapsed,
                            sum(rate for rate, _ in threads), threads))
    return usages


def format_usage(label, usage, goals=None):
    """Two lines: the figures (with `goals`, a (CPU %, wake-ups a second)
    pair, also the goals and whether both are met), then the busiest threads."""
    resolution = 100.0 / TICKS_PER_SECOND / usage.seconds
    line = "%s: %.2f%% of one core (in steps of %.2f%%), %.1f wake-ups/s" % (
        label, usage.cpu_percent, resolution, usage.wakeups)
    if goals:
        met = usage.cpu_percent <= goals[0] and usage.wakeups <= goals[1]
        line += "; goal at most %.1f%% and %d/s: %s" % (goals[0], goals[1], "met" if met else "NOT MET")
    busiest = ", ".join("%s %.1f/s" % (name, rate) for rate, name in usage.threads[:BUSY_THREADS_SHOWN])
    return "%s\n  %d threads; busiest: %s" % (line, len(usage.threads), busiest)
