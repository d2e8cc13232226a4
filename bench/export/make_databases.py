#!/usr/bin/python3
"""Databases for the export benchmarks: make_databases.py BIN_DIR OUT_DIR.
single: one security of 60,000 records; tall: one of 1,048,575 records, an xlsx sheet's
worth; wideN: 500 securities of N records (N = 1,000 and 10,000), starting on different days."""

import datetime
import os
import subprocess
import sys

bin_dir, out = sys.argv[1], sys.argv[2]


def write_history(path, count, offset):
    day = datetime.date(1900, 1, 1) + datetime.timedelta(days=offset)
    with open(path, "w") as f:
        f.write("Date,Open,High,Low,Close,Volume,Open_Interest\n")
        for i in range(count):
            while day.weekday() > 4:
                day += datetime.timedelta(days=1)
            p = 10 + (i % 5000) * 0.01 + offset * 0.001
            f.write(f"{day.isoformat()},{p:.2f},{p + 0.5:.2f},{p - 0.5:.2f},{p + 0.13:.2f},{123456789 + i},{i}\n")
            day += datetime.timedelta(days=1)


def make(name, securities, count):
    db = os.path.join(out, name)
    if os.path.exists(os.path.join(db, "master.omg")):
        return
    subprocess.run([os.path.join(bin_dir, "omegadb"), "create", db], check=True)
    csv = os.path.join(out, "history.csv")
    for s in range(securities):
        write_history(csv, count, s * 3)
        subprocess.run([os.path.join(bin_dir, "omegadb"), "add", db, f"S{s:03}", "--description", "bench",
                        "--category", "2", "--period", "0", csv], check=True)


os.makedirs(out, exist_ok=True)
make("single", 1, 60000)
make("tall", 1, 1048575)
make("wide1000", 500, 1000)
make("wide10000", 500, 10000)
