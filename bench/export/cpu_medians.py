#!/usr/bin/python3
"""Runs each command of a pair RUNS times, alternating, and prints the median processor time
(user + system, of the command and its children) and the largest peak memory of each, and
their ratio; the machine may be busy with other work, which processor time mostly ignores.

    cpu_medians.py RUNS 'COMMAND A' 'COMMAND B'"""

import os
import shlex
import statistics
import subprocess
import sys


def measure(command):
    child = subprocess.Popen(shlex.split(command), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    if status != 0:
        sys.exit(f"failed ({status}): {command}")
    return usage.ru_utime + usage.ru_stime, usage.ru_maxrss


runs, commands = int(sys.argv[1]), sys.argv[2:]
times = {c: [] for c in commands}
peaks = {c: 0 for c in commands}
for _ in range(runs):
    for command in commands:
        cpu, peak = measure(command)
        times[command].append(cpu)
        peaks[command] = max(peaks[command], peak)
medians = [statistics.median(times[c]) for c in commands]
for label, command, median in zip("AB", commands, medians):
    print(f"{label}: median CPU {median:.3f} s of {runs}, peak {peaks[command] / 1024:.1f} MiB: {command}")
if len(commands) == 2:
    print(f"B/A = {medians[1] / medians[0]:.2f}")
