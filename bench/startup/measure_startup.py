#!/usr/bin/env python3
"""Time from starting Tessaport to its main window painted, with 50 data directories.

Builds an installation in a temporary folder (a registry file, Program, and Data with
50 databases made by omegadb), starts the program repeatedly with
TESSAPORT_EXIT_WHEN_SHOWN=1 (it prints "shown" after its first paint and ends) and
reports the wall-clock times, process start included.

    bench/startup/measure_startup.py --build build [--runs 20] [--xvfb]

Without --xvfb the program runs on Qt's off-screen platform; with it, on a virtual X
display, as a user would see it. The target is at most 300 ms.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

DIRECTORIES = 50


def make_installation(root, omegadb):
    program = os.path.join(root, "Omega", "Program")
    data = os.path.join(root, "Omega", "Data")
    os.makedirs(program)
    csv = "Date,Open,High,Low,Close,Volume\n2024-01-02,10,11,9,10.5,1000\n"
    for i in range(DIRECTORIES):
        # USStock is not first in the listing, so the default is searched for.
        name = "USStock" if i == 37 else f"Dir{i:02d}"
        directory = os.path.join(data, name)
        subprocess.run([omegadb, "create", directory], check=True)
        subprocess.run([omegadb, "add", directory, "ABC", "--description", "Bench", "-"], input=csv,
                       text=True, check=True)
    registry = os.path.join(root, "registry.reg")
    with open(registry, "w", newline="\r\n") as f:
        f.write("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
                f"ts32.exe]\n\"Path\"=\"{program}\"\n")
    return registry


def time_one(program, environment):
    start = time.perf_counter()
    process = subprocess.Popen([program], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                               env=environment)
    line = process.stdout.readline()
    elapsed = time.perf_counter() - start
    process.wait(timeout=30)
    if line.strip() != "shown":
        sys.exit(f"measure_startup: the window did not show (exit code {process.returncode})")
    return elapsed * 1000


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build", help="build folder holding bin/tessaport")
    parser.add_argument("--runs", type=int, default=20)
    parser.add_argument("--xvfb", action="store_true", help="run on a virtual X display")
    args = parser.parse_args()
    bin_dir = os.path.abspath(os.path.join(args.build, "bin"))
    program = os.path.join(bin_dir, "tessaport")

    root = tempfile.mkdtemp(prefix="tessaport-startup-")
    xvfb = None
    try:
        environment = dict(os.environ, TESSAPORT_EXIT_WHEN_SHOWN="1",
                           TESSAPORT_REGISTRY=make_installation(root, os.path.join(bin_dir, "omegadb")))
        if args.xvfb:
            display = ":97"
            # -noreset: each run starts as the last one leaves, which would otherwise meet the
            # server resetting itself for want of clients and be refused.
            xvfb = subprocess.Popen(["Xvfb", display, "-noreset", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                    stderr=subprocess.DEVNULL)
            time.sleep(1)
            environment.update(DISPLAY=display, QT_QPA_PLATFORM="xcb")
        else:
            environment["QT_QPA_PLATFORM"] = "offscreen"
        time_one(program, environment)  # warms the file cache
        times = sorted(time_one(program, environment) for _ in range(args.runs))
        platform = "xcb on Xvfb" if args.xvfb else "offscreen"
        print(f"start to window shown, {DIRECTORIES} data directories, {args.runs} runs, {platform}: "
              f"min {times[0]:.0f} ms, median {statistics.median(times):.0f} ms, max {times[-1]:.0f} ms")
    finally:
        if xvfb:
            xvfb.terminate()
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
