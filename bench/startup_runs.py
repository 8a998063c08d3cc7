"""Times process start to first window exposure for several programs (Veritome's popup alone
among them), run alternately, and a second start of Veritome that hands over to the window
already running: process start to that process's exit.

Each program prints "shown <monotonic ns>" on stderr after its window's first expose and
paint (src/gui/ShownProbe.cpp, switched on by VERITOME_REPORT_SHOWN). The time is taken
against the monotonic clock read just before the process is spawned; then the process
group is ended. Runs on the display it is given (bench/startup starts an Xvfb).
"""
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time


def hand_over_once(command, cwd, env, first):
    """A second start beside the running first one, once that has settled: start to exit."""
    time.sleep(SETTLE_S)
    start = time.monotonic_ns()
    status = subprocess.run(command, cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            timeout=60).returncode
    took = (time.monotonic_ns() - start) / 1e6
    if status != 0 or first.poll() is not None:
        sys.exit(f"the second start did not hand over (exit status {status})")
    return took


SETTLE_S = 1.5


def run_once(command, cwd, env, then=None):
    """Start to first paint; then(process) runs while the process still runs, and its
    result comes back beside the time."""
    start = time.monotonic_ns()
    process = subprocess.Popen(command, cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                               start_new_session=True)
    shown = None
    deadline = time.monotonic() + 60
    try:
        for line in process.stderr:
            if line.startswith(b"shown "):
                shown = int(line.split()[1])
                break
            if time.monotonic() > deadline:
                break
        after = then(process) if then and shown is not None else None
    finally:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
        process.stderr.close()
    if shown is None:
        sys.exit(f"{command[0]} never reported its window shown")
    return (shown - start) / 1e6, after


def program_folder(work, veritome):
    """A copy of Veritome in a folder of its own (it keeps its files beside the executable),
    with a home and runtime folder of its own: its folder, the copy and its environment."""
    app_dir = os.path.join(work, "app")
    os.mkdir(app_dir)
    copy = os.path.join(app_dir, "Veritome")
    shutil.copy2(veritome, copy)
    home = os.path.join(work, "home")
    # Also the runtime folder, where the running window's socket is: only its user's.
    os.mkdir(home, 0o700)
    env = dict(os.environ)
    env.update(VERITOME_REPORT_SHOWN="1", HOME=home, XDG_RUNTIME_DIR=home,
               QT_LOGGING_RULES="qt.webenginecontext.info=false")
    env.pop("QT_QPA_PLATFORM", None)
    return app_dir, copy, env


def main():
    veritome, floor, widgets, runs = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    with tempfile.TemporaryDirectory() as work:
        app_dir, veritome_copy, env = program_folder(work, veritome)
        programs = [
            ("Veritome", [veritome_copy]),
            ("bare engine window", [os.path.abspath(floor)]),
            ("bare Widgets window", [os.path.abspath(widgets)]),
            ("engine linked, no view", [os.path.abspath(floor), "--no-view"]),
            # A first start for the popup alone: process start to the popup painted.
            ("Veritome --popup", [veritome_copy, "--popup", "--mode=2", "word"]),
        ]
        hand_over = "handing-off start"
        times = {name: [] for name, _ in programs}
        times[hand_over] = []
        for name, command in programs:  # warm the file cache
            run_once(command, app_dir, env)
        for _ in range(runs):
            for name, command in programs:
                then = None
                if name == "Veritome":
                    then = lambda first: hand_over_once([veritome_copy], app_dir, env, first)
                shown, after = run_once(command, app_dir, env, then)
                times[name].append(shown)
                if after is not None:
                    times[hand_over].append(after)

    print(f"start-up to main window painted, Xvfb, {runs} interleaved runs each (ms); "
          f"load average {' '.join(f'{x:.2f}' for x in os.getloadavg())}")
    print(f"{'':24}{'median':>10}{'min':>10}{'max':>10}")
    for name in times:
        t = times[name]
        print(f"{name:24}{statistics.median(t):10.1f}{min(t):10.1f}{max(t):10.1f}")
    veritome_ms = statistics.median(times["Veritome"])
    engine_ms = statistics.median(times["bare engine window"])
    widgets_ms = statistics.median(times["bare Widgets window"])
    ratio = veritome_ms / engine_ms
    print(f"Veritome / bare engine window (medians): {ratio:.2f}  (goal: at most 0.45, "
          f"{'met' if ratio <= 0.45 else 'MISSED'})")
    print(f"Veritome / bare Widgets window (medians): {veritome_ms / widgets_ms:.2f}")
    hand_over_ms = statistics.median(times[hand_over])
    print(f"handing-off start (start to exit of the second process, {SETTLE_S} s after the "
          f"first window showed) / bare Widgets window (medians): {hand_over_ms / widgets_ms:.2f}; "
          f"/ Veritome: {hand_over_ms / veritome_ms:.2f}")
    popup_ms = statistics.median(times["Veritome --popup"])
    print(f"Veritome --popup, first start to popup painted / Veritome to window painted "
          f"(medians): {popup_ms / veritome_ms:.2f}  (goal: at most 1, "
          f"{'met' if popup_ms <= veritome_ms else 'MISSED'})")


if __name__ == "__main__":
    main()
