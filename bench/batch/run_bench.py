#!/usr/bin/python3
"""The batch write benchmark, run by hand: run_bench.py BUILD_DIR [SCRATCH] [RUNS] [IMPORT].

tessaport-import --all to WK1 of 2,000 securities x 2,500 records, one file per security,
side by side with `cp -r` of the same output files followed by `sync`: the floor for
writing those bytes durably. Each run starts on a new folder after a `sync`, so neither
pays for the other's writeback; the two alternate. Prints best and median wall seconds of
RUNS (default 3) each and the ratio of the medians. IMPORT: another tessaport-import to
time in its place (an earlier build, say), with the library beside it.
Target: the median of the import within 1.5 times that of cp + sync."""

import os
import shutil
import statistics
import subprocess
import sys
import time

here = os.path.dirname(os.path.realpath(__file__))
build = os.path.realpath(sys.argv[1] if len(sys.argv) > 1 else "build")
scratch = os.path.realpath(sys.argv[2] if len(sys.argv) > 2 else os.path.join(build, "bench-batch"))
runs = int(sys.argv[3]) if len(sys.argv) > 3 else 3
program = sys.argv[4] if len(sys.argv) > 4 else os.path.join(build, "bin", "tessaport-import")

db = os.path.join(scratch, "db")
subprocess.run([sys.executable, os.path.join(here, "make_database.py"), os.path.join(build, "bin", "omegadb"), db],
               check=True)
exported, copied = os.path.join(scratch, "exported"), os.path.join(scratch, "copied")


def timed(command, target):
    shutil.rmtree(target, ignore_errors=True)
    subprocess.run(["sync"], check=True)
    start = time.monotonic()
    subprocess.run(command, check=True)
    return time.monotonic() - start


# The same import into memory (tmpfs) is the program's own floor: reading and making the
# files, no disk. On a busy machine that, not the syncs, is what stays above cp.
memory = "/dev/shm/tessaport-bench-batch" if os.path.isdir("/dev/shm") else None
times = {"import": [], "cp + sync": []} | ({"import to tmpfs": []} if memory else {})
for _ in range(runs):
    times["import"].append(timed([program, "--data", db, "--out-dir", exported, "--all", "-q"], exported))
    times["cp + sync"].append(timed(["sh", "-c", f"cp -r '{exported}' '{copied}' && sync"], copied))
    if memory:
        times["import to tmpfs"].append(timed([program, "--data", db, "--out-dir", memory, "--all", "-q"], memory))
        shutil.rmtree(memory)
files = len(os.listdir(exported))
size = sum(os.path.getsize(os.path.join(exported, name)) for name in os.listdir(exported))
print(f"{files} files, {size / 1e6:.0f} MB, {runs} runs each")
for name, seconds in times.items():
    print(f"{name:16} best {min(seconds):6.2f} s  median {statistics.median(seconds):6.2f} s")
print(f"ratio of the medians: {statistics.median(times['import']) / statistics.median(times['cp + sync']):.2f}")
shutil.rmtree(copied, ignore_errors=True)
