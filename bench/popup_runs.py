"""The program waiting in the background: its popup key pressed (xdotool) to the popup shown
and painted, beside a bare Qt Widgets window's start to its first paint, runs interleaved; and
what the waiting program costs: its resident memory and its wake-ups (context switches) over
ten quiet seconds, beside the same figures for the program with its window open and resting.

  popup_runs.py VERITOME FLOOR_WIDGETS RUNS    (on the display it is given; needs xclip)
"""
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

from startup_runs import program_folder, run_once

QUIET_S = 10


def tree(pid):
    """The process and all its descendants."""
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as stat:
                    parent = int(stat.read().rsplit(")", 1)[1].split()[1])
            except OSError:
                continue
            children.setdefault(parent, []).append(int(entry))
    found, todo = [], [pid]
    while todo:
        current = todo.pop()
        found.append(current)
        todo += children.get(current, [])
    return found


def status_value(pid, key):
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith(key + ":"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def resting_figures(pid):
    """Resident kB of the tree, its processes, and its context switches over QUIET_S."""
    pids = tree(pid)
    switches = lambda: sum(status_value(p, "voluntary_ctxt_switches")
                           + status_value(p, "nonvoluntary_ctxt_switches") for p in tree(pid))
    before = switches()
    time.sleep(QUIET_S)
    woke = switches() - before
    return sum(status_value(p, "VmRSS") for p in pids), len(pids), woke


def start(command, cwd, env):
    return subprocess.Popen(command, cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                            start_new_session=True)


def wait_line(process, prefix, timeout=60):
    deadline = time.monotonic() + timeout
    for line in process.stderr:
        if line.startswith(prefix):
            return line
        if time.monotonic() > deadline:
            break
    sys.exit(f"never saw {prefix!r}")


def main():
    veritome, widgets, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
    with tempfile.TemporaryDirectory() as work:
        app_dir, copy, env = program_folder(work, veritome)
        with open(os.path.join(app_dir, "Veritoem.ini"), "wb") as ini:
            ini.write(b"[Dictionary]\r\nID=2\r\n[Veritome]\r\nStayReady=1\r\n")
        # The word the user selected: xclip holds the primary selection.
        selection = subprocess.Popen(["xclip", "-selection", "primary", "-loops", "0"],
                                     stdin=subprocess.PIPE)
        selection.stdin.write(b"word")
        selection.stdin.close()

        # The window open and resting: its figures.
        window = start([copy], app_dir, env)
        wait_line(window, b"shown ")
        time.sleep(3)
        window_rss, window_processes, window_woke = resting_figures(window.pid)
        os.killpg(window.pid, signal.SIGKILL)
        window.wait()

        waiting = start([copy, "--background"], app_dir, env)
        time.sleep(3)
        waiting_rss, waiting_processes, waiting_woke = resting_figures(waiting.pid)
        key_ms, bare_ms = [], []
        # One xdotool, reading its commands as they come: the time is the program's, not
        # that of starting xdotool for every key.
        keyboard = subprocess.Popen(["xdotool", "-"], stdin=subprocess.PIPE)

        def press(keys):
            keyboard.stdin.write(b"key --delay 0 " + keys + b"\n")
            keyboard.stdin.flush()

        try:
            for _ in range(runs):
                time.sleep(1.5)
                begun = time.monotonic_ns()
                press(b"ctrl+alt+shift+y")
                shown = int(wait_line(waiting, b"shown ").split()[1])
                key_ms.append((shown - begun) / 1e6)
                press(b"Escape")
                # The popup's pages close meanwhile; the reference runs on a quiet machine.
                time.sleep(1.5)
                bare_ms.append(run_once([os.path.abspath(widgets)], app_dir, env)[0])
        finally:
            os.killpg(waiting.pid, signal.SIGKILL)
            waiting.wait()
            keyboard.stdin.close()
            keyboard.wait()
            selection.kill()

    print(f"\nkey pressed to popup shown, the program waiting in the background, Xvfb, "
          f"{runs} interleaved runs (ms)")
    print(f"{'':24}{'median':>10}{'min':>10}{'max':>10}")
    for name, t in (("key to popup shown", key_ms), ("bare Widgets window", bare_ms)):
        print(f"{name:24}{statistics.median(t):10.1f}{min(t):10.1f}{max(t):10.1f}")
    ratio = statistics.median(key_ms) / statistics.median(bare_ms)
    print(f"key to popup / bare Widgets window (medians): {ratio:.2f}  (goal: at most 1, "
          f"{'met' if ratio <= 1 else 'MISSED'})")
    print(f"\nat rest, {QUIET_S} s{'':14}{'resident kB':>12}{'processes':>11}{'wake-ups':>10}")
    print(f"{'waiting, no window':32}{waiting_rss:12}{waiting_processes:11}{waiting_woke:10}")
    print(f"{'window open, resting':32}{window_rss:12}{window_processes:11}{window_woke:10}")


if __name__ == "__main__":
    main()
