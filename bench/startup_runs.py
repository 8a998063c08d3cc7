"""Times process start to first window exposure for two programs, run alternately.

Each program prints "shown <monotonic ns>" on stderr after its window's first expose and
paint (src/gui/ShownProbe.cpp, switched on by VERITOME_REPORT_SHOWN). The time is taken
against the monotonic clock read just before the process is spawned; then the process
group is ended.
"""
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time


def run_once(program, cwd, env):
    start = time.monotonic_ns()
    process = subprocess.Popen([program], cwd=cwd, env=env, stdin=subprocess.DEVNULL,
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
    finally:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
        process.stderr.close()
    if shown is None:
        sys.exit(f"{program} never reported its window shown")
    return (shown - start) / 1e6


def main():
    veritome, floor, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
    with tempfile.TemporaryDirectory() as work:
        # Veritome keeps its files beside the executable: give it a folder of its own.
        app_dir = os.path.join(work, "app")
        os.mkdir(app_dir)
        veritome_copy = os.path.join(app_dir, "Veritome")
        shutil.copy2(veritome, veritome_copy)
        home = os.path.join(work, "home")
        os.mkdir(home)
        env = dict(os.environ)
        env.update(QT_QPA_PLATFORM="offscreen", VERITOME_REPORT_SHOWN="1", HOME=home,
                   XDG_RUNTIME_DIR=home, QT_LOGGING_RULES="qt.webenginecontext.info=false")
        programs = [("Veritome", veritome_copy), ("floor", os.path.abspath(floor))]
        times = {name: [] for name, _ in programs}
        for name, program in programs:  # warm the file cache
            run_once(program, app_dir, env)
        for _ in range(runs):
            for name, program in programs:
                times[name].append(run_once(program, app_dir, env))

    print(f"start-up to window shown, offscreen, {runs} runs each (ms)")
    print(f"{'':10}{'median':>10}{'min':>10}{'max':>10}")
    for name, _ in programs:
        t = times[name]
        print(f"{name:10}{statistics.median(t):10.1f}{min(t):10.1f}{max(t):10.1f}")
    ratio = statistics.median(times["Veritome"]) / statistics.median(times["floor"])
    print(f"Veritome / floor (medians): {ratio:.2f}  (goal: at most 1.20)")


if __name__ == "__main__":
    main()
