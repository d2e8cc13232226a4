#!/usr/bin/python3
"""Reading a database into numpy with the tessaport module, against exporting it with
tessaport-import --format csv and reading the files with pandas.read_csv. Run by hand:

    bench/python/read_bench.py BUILD_DIR WORK_DIR [--every N]

BUILD_DIR is a build with the module, the tools and bench/quality_bench, which makes
WORK_DIR/db (32,767 securities of 1,000 daily records, random walks) and WORK_DIR/big (one
security of 1,000,000 records) with the writer API when they are missing. --every N
exports and reads only every N-th security through CSV (the command is slow on this many
securities), and compares it with the module reading the same securities.

Prints wall-clock and processor seconds of each way, their ratios, and the peak memory of
reading the 1,000,000-record security against the size of its array."""

import argparse
import glob
import os
import resource
import shutil
import subprocess
import sys
import time


def measure(function):
    """(wall seconds, processor seconds of this process and its children) of a call."""
    def cpu():
        own = resource.getrusage(resource.RUSAGE_SELF)
        children = resource.getrusage(resource.RUSAGE_CHILDREN)
        return own.ru_utime + own.ru_stime + children.ru_utime + children.ru_stime
    wall, processor = time.perf_counter(), cpu()
    function()
    return time.perf_counter() - wall, cpu() - processor


def peak_memory(python_dir, directory):
    """Peak resident memory added by reading the one security of `directory`, and the
    size of the array read, in a fresh interpreter."""
    script = f"""
import sys; sys.path.insert(0, {python_dir!r})
import numpy, tessaport
def status(key):
    for line in open('/proc/self/status'):
        if line.startswith(key):
            return int(line.split()[1]) * 1024
db = tessaport.Database({directory!r})
symbol = db.securities()[0].symbol
with open('/proc/self/clear_refs', 'w') as f:
    f.write('5')  # the peak starts again from what is resident now
before = status('VmHWM:')
rows = db.read(symbol)
print(status('VmHWM:') - before, rows.nbytes, len(rows))
"""
    out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, check=True).stdout.split()
    return [int(x) for x in out]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build_dir")
    parser.add_argument("work_dir")
    parser.add_argument("--every", type=int, default=1)
    options = parser.parse_args()
    build = os.path.abspath(options.build_dir)
    work = os.path.abspath(options.work_dir)
    python_dir = os.path.join(build, "python")
    sys.path.insert(0, python_dir)
    import pandas
    import tessaport

    maker = os.path.join(build, "bench", "quality_bench")
    made = {}
    for name, securities, records in (("db", 32767, 1000), ("big", 1, 1000000)):
        directory = os.path.join(work, name)
        if not os.path.exists(os.path.join(directory, "master.omg")):
            os.makedirs(work, exist_ok=True)
            made[name] = measure(lambda: subprocess.run([maker, "make", directory, str(securities), str(records)],
                                                        check=True))
            print(f"made {name} ({securities} x {records} records) in {made[name][0]:.1f} s")
    database = os.path.join(work, "db")

    db = tessaport.Database(database)
    symbols = [s.symbol for s in db.securities()]
    chosen = symbols[::options.every]

    def read_all(names):
        total = 0
        for symbol in names:
            total += len(db.read(symbol))
        return total

    read_all(symbols)  # the files into the page cache, as they are for the export
    module_all = min(measure(lambda: read_all(symbols)) for _ in range(3))
    module_chosen = module_all if options.every == 1 else min(measure(lambda: read_all(chosen)) for _ in range(3))

    out = os.path.join(work, "csv")
    shutil.rmtree(out, ignore_errors=True)
    command = [os.path.join(build, "bin", "tessaport-import"), "--data", database, "--format", "csv",
               "--out-dir", out] + (["--all"] if options.every == 1 else chosen)
    export = measure(lambda: subprocess.run(command, check=True, stderr=subprocess.DEVNULL))
    files = sorted(glob.glob(os.path.join(out, "*.csv")))
    assert len(files) == len(chosen), (len(files), len(chosen))
    read_csv = min(measure(lambda: [pandas.read_csv(f) for f in files]) for _ in range(2))
    read_csv_dates = measure(lambda: [pandas.read_csv(f, parse_dates=["Date"]) for f in files])

    print(f"\n{len(symbols)} securities of 1,000 records; CSV over {len(chosen)} of them (every {options.every})")
    print(f"{'':42} {'wall s':>9} {'cpu s':>9}")
    rows = [
        (f"tessaport read, all {len(symbols)}", module_all),
    ] + ([(f"tessaport read, the {len(chosen)}", module_chosen)] if options.every > 1 else []) + [
        (f"tessaport-import --format csv, the {len(chosen)}", export),
        ("pandas.read_csv of those files", read_csv),
        ("pandas.read_csv, parse_dates=['Date']", read_csv_dates),
    ]
    for label, (wall, cpu) in rows:
        print(f"{label:42} {wall:9.2f} {cpu:9.2f}")
    for label, other in (("export + read_csv", (export[0] + read_csv[0], export[1] + read_csv[1])),
                         ("read_csv alone", read_csv)):
        print(f"module faster than {label:18}: {other[0] / module_chosen[0]:6.1f}x wall, "
              f"{other[1] / module_chosen[1]:6.1f}x cpu")

    grown, size, count = peak_memory(python_dir, os.path.join(work, "big"))
    print(f"\nreading {count} records: array {size / 2**20:.1f} MiB, peak memory grew by {grown / 2**20:.1f} MiB "
          f"({grown / size:.3f}x the array)")
    shutil.rmtree(out, ignore_errors=True)


if __name__ == "__main__":
    main()
