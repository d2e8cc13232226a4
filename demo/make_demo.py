#!/usr/bin/env python3
"""Makes the demo installation: a registry file, Omega/Program and Omega/Data with one
database per directory of securities.csv, filled with omegadb.

Prices are drawn from a random walk seeded by each symbol, so every run makes the same
files. The installation is rebuilt only when its inputs change.
"""

import argparse
import concurrent.futures
import csv
import datetime as dt
import hashlib
import io
import math
import os
import random
import shutil
import subprocess
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
LAST_DAY = dt.date(2024, 12, 31)
HOLIDAYS = {(1, 1), (7, 4), (12, 25)}

# Records written with missing prices: symbol -> {record number: columns left empty}.
MISSING = {
    "IBX": {1000: ("Open", "Close")},
    "FCN": {997: ("Close",), 1994: ("Close",), 2991: ("Close",)},
    "FCL": {500: ("High",), 1500: ("High", "Low")},
}
# Listed in the header file, but its data file is gone.
ABSENT_DATA = "FOJ"

FIELDS = ["directory", "symbol", "description", "category", "period", "first year", "last year", "first price",
          "open interest"]
PERIOD_STEPS = {0: 1, 1: 5, 2: 21}  # trading days per period


def dates(period, first_year, last_year):
    day = dt.date(first_year, 1, 2)
    end = min(dt.date(last_year, 12, 31), LAST_DAY)
    one = dt.timedelta(days=1)
    while day <= end:
        weekday = day.weekday() < 5 and (day.month, day.day) not in HOLIDAYS
        if period == 0 and weekday:
            yield day
        elif period == 1 and day.weekday() == 4:
            yield day
        elif period == 2:
            nxt = day + one
            last_weekday = day.weekday() < 5 and all(
                (nxt + dt.timedelta(days=k)).month != day.month or (nxt + dt.timedelta(days=k)).weekday() >= 5
                for k in range(0, 3))
            if last_weekday:
                yield day
        day += one


def price_text(value):
    return f"{value:.3f}" if value < 5 else f"{value:.2f}"


def history(row):
    symbol = row["symbol"]
    period = int(row["period"])
    category = int(row["category"])
    rng = random.Random(zlib.crc32(symbol.encode()))
    steps = PERIOD_STEPS[period]
    money_market = category == 7
    sigma = 0.0 if money_market else 0.017 * math.sqrt(steps) * rng.uniform(0.7, 1.4)
    drift = 0.07 / 252 * steps * rng.uniform(0.3, 1.5)
    close = float(row["first price"])
    interest = rng.randint(40000, 250000)
    with_interest = row["open interest"] == "yes"
    columns = ["Date", "Open", "High", "Low", "Close", "Volume"] + (["OpenInterest"] if with_interest else [])
    out = io.StringIO()
    writer = csv.writer(out, lineterminator="\n")
    writer.writerow(columns)
    missing = MISSING.get(symbol, {})
    for number, day in enumerate(dates(period, int(row["first year"]), int(row["last year"])), start=1):
        previous = close
        close = max(0.05, previous * math.exp(drift + sigma * rng.gauss(0, 1)))
        opening = max(0.05, previous * math.exp(sigma * 0.3 * rng.gauss(0, 1)))
        high = max(opening, close) * (1 + abs(rng.gauss(0, sigma * 0.5)))
        low = min(opening, close) * (1 - abs(rng.gauss(0, sigma * 0.5)))
        if category in (6, 7, 10):
            volume = 0
        else:
            volume = min(int(rng.lognormvariate(11.5, 0.8)) * steps, 2_000_000_000)
        interest = max(1000, int(interest * math.exp(rng.gauss(0, 0.02))))
        values = {"Date": day.isoformat(), "Open": price_text(opening), "High": price_text(high),
                  "Low": price_text(low), "Close": price_text(close), "Volume": str(volume),
                  "OpenInterest": str(interest)}
        for column in missing.get(number, ()):
            values[column] = ""
        writer.writerow([values[c] for c in columns])
    return out.getvalue()


def omegadb(tool, *arguments, stdin=None):
    result = subprocess.run([tool, *arguments], input=stdin, text=True, capture_output=True)
    if result.returncode != 0:
        sys.exit(f"make_demo: omegadb {' '.join(arguments[:3])} failed: {result.stderr.strip()}")
    return result.stdout


def reg_string(text):
    return text.replace("\\", "\\\\").replace('"', '\\"')


def fingerprint(tool, out):
    digest = hashlib.sha256()
    for name in ("make_demo.py", "securities.csv", "registry.reg.in"):
        with open(os.path.join(HERE, name), "rb") as f:
            digest.update(f.read())
    info = os.stat(tool)
    digest.update(f"{info.st_size}:{info.st_mtime_ns}:{os.path.abspath(out)}".encode())
    return digest.hexdigest()


def make_folders(target):
    data = os.path.join(target, "Omega", "Data")
    os.makedirs(os.path.join(target, "Omega", "Program"))
    os.makedirs(data)
    return data


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--omegadb", required=True, help="the omegadb program")
    parser.add_argument("--out", required=True, help="folder of the demo installation")
    args = parser.parse_args()
    out = os.path.abspath(args.out)
    stamp = os.path.join(out, ".stamp")
    wanted = fingerprint(args.omegadb, out)
    if os.path.exists(stamp) and open(stamp).read() == wanted:
        return

    print(f"Making the demo installation in {out} ...", file=sys.stderr)
    staging = out + ".new"
    shutil.rmtree(staging, ignore_errors=True)
    data = make_folders(staging)
    with open(os.path.join(HERE, "registry.reg.in"), encoding="utf-8") as f:
        template = f.read()

    with open(os.path.join(HERE, "securities.csv"), encoding="utf-8") as f:
        rows = list(csv.DictReader((line for line in f if not line.startswith("#")), fieldnames=FIELDS))
    with concurrent.futures.ProcessPoolExecutor() as pool:
        histories = list(pool.map(history, rows, chunksize=4))
    for row, prices in zip(rows, histories):
        directory = os.path.join(data, row["directory"])
        if not os.path.isdir(directory):
            omegadb(args.omegadb, "create", directory)
        omegadb(args.omegadb, "add", directory, row["symbol"], "--description", row["description"],
                "--category", row["category"], "--period", row["period"], "-", stdin=prices)

    absent = next(r for r in rows if r["symbol"] == ABSENT_DATA)
    directory = os.path.join(data, absent["directory"])
    for line in omegadb(args.omegadb, "list", directory).splitlines()[1:]:
        cells = line.split("\t")
        if cells[0] == ABSENT_DATA:
            os.remove(os.path.join(directory, cells[-1]))

    # The registry names the folder where the installation ends up, not the staging one.
    final_program = os.path.join(out, "Omega", "Program")
    with open(os.path.join(staging, "registry.reg"), "w", encoding="utf-8", newline="\r\n") as f:
        f.write(template.replace("@PROGRAM_DIR@", reg_string(final_program)))
    with open(os.path.join(staging, ".stamp"), "w") as f:
        f.write(wanted)
    shutil.rmtree(out, ignore_errors=True)
    os.rename(staging, out)


if __name__ == "__main__":
    main()
