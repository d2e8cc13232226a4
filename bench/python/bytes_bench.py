#!/usr/bin/python3
"""Reading every record of a database into numpy with the tessaport module, against reading
the bytes of its files from the page cache. Run by hand:

    bench/python/bytes_bench.py BUILD_DIR [DATABASE] [--repeat N]

DATABASE defaults to BUILD_DIR/bench-db, made there on the first run (by
bench/batch/make_database.py with BUILD_DIR/bin/omegadb) with 2,000 securities of 2,500 daily
records. Every way is run --repeat times
(default 7) after one pass that brings the files into the page cache; prints the median
processor and wall-clock seconds of each and its ratio to reading the bytes into one
buffer (the floor of any reader), and the bytes read into memory kept per file for
comparison (the arrays too are new memory, which the system must clear)."""

import argparse
import os
import statistics
import subprocess
import sys
import time


def measure(function, repeat):
    """Median (processor seconds, wall seconds) of `repeat` calls."""
    cpu, wall = [], []
    for _ in range(repeat):
        c, w = time.process_time(), time.perf_counter()
        function()
        cpu.append(time.process_time() - c)
        wall.append(time.perf_counter() - w)
    return statistics.median(cpu), statistics.median(wall)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build_dir")
    parser.add_argument("database", nargs="?")
    parser.add_argument("--repeat", type=int, default=7)
    options = parser.parse_args()
    sys.path.insert(0, os.path.join(os.path.abspath(options.build_dir), "python"))
    import tessaport

    if options.database is None:
        options.database = os.path.join(options.build_dir, "bench-db")
        if not os.path.exists(os.path.join(options.database, "master.omg")):
            make = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "batch", "make_database.py")
            subprocess.run([sys.executable, make, os.path.join(options.build_dir, "bin", "omegadb"), options.database],
                           check=True)
    db = tessaport.Database(options.database)
    symbols = [s.symbol for s in db.securities()]
    files = [os.path.join(options.database, name) for name in sorted(os.listdir(options.database))]
    size = sum(os.path.getsize(path) for path in files)
    buffer = bytearray(max(os.path.getsize(path) for path in files))

    def read_bytes():
        # One pass over each file into one buffer: the floor of any reader of these files.
        for path in files:
            with open(path, "rb", buffering=0) as f:
                f.readinto(buffer)

    def read_fresh():
        # The same, each file into memory of its own, kept until all are read, as the
        # arrays are kept.
        kept = []
        for path in files:
            with open(path, "rb", buffering=0) as f:
                kept.append(f.read())

    def read_each(prices="float32"):
        for symbol in symbols:
            db.read(symbol, prices=prices)

    records = sum(len(rows) for rows in db.read_many().values())  # and the files into the page cache
    read_bytes()
    ways = [
        ("the files' bytes", read_bytes),
        ("the files' bytes, kept", read_fresh),
        ("read() of each security", read_each),
        ("read_many()", db.read_many),
        ("read_many(prices='float64')", lambda: db.read_many(prices="float64")),
    ]
    print(f"{len(symbols)} securities, {records} records, {len(files)} files of {size / 2**20:.1f} MiB; "
          f"medians of {options.repeat}")
    print(f"{'':30} {'cpu s':>8} {'wall s':>8} {'cpu / bytes':>12}")
    floor = None
    for label, function in ways:
        cpu, wall = measure(function, options.repeat)
        floor = floor or cpu
        print(f"{label:30} {cpu:8.3f} {wall:8.3f} {cpu / floor:11.1f}x")


if __name__ == "__main__":
    main()
