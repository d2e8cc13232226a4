#!/usr/bin/python3
"""CSV text cells that a spreadsheet would evaluate (a symbol "=1+2") read back by
LibreOffice as text; with --csv-raw-text, as the formula they are. One conversion."""

import csv
import os
import subprocess
import sys
import tempfile

BIN = os.environ.get("TESSAPORT_PROGRAM_DIR", "build/bin")
ROWS = "1998-03-05,1,2,3,4,5\n1998-03-06,1,2,3,4,6\n"


def run(*args):
    subprocess.run([os.path.join(BIN, args[0]), *args[1:]], check=True, capture_output=True)


def read(path):
    with open(path, newline="", encoding="utf-8") as f:
        return list(csv.reader(f))


def main():
    with tempfile.TemporaryDirectory() as tmp:
        db = os.path.join(tmp, "db")
        run("omegadb", "create", db)
        for symbol in ("=1+2", "@SUM(1)", "-3+4", "IBM"):
            subprocess.run([os.path.join(BIN, "omegadb"), "add", db, "--", symbol, "-"], input=ROWS.encode(),
                           check=True, capture_output=True)
        written = {}
        for name, extra in (("long", []), ("raw", ["--csv-raw-text"])):
            written[name] = os.path.join(tmp, name + ".csv")
            run("tessaport-import", "--data", db, "--format", "csv", "--merge", "long", "--fields", "close",
                "-o", written[name], "--all", *extra)
        wide = os.path.join(tmp, "wide.csv")
        run("tessaport-import", "--data", db, "--format", "csv", "--merge", "wide", "--fields", "close",
            "-o", wide, "--all")
        out = os.path.join(tmp, "out")
        subprocess.run(["soffice", "-env:UserInstallation=file://" + os.path.join(tmp, "profile"), "--headless",
                        "--infilter=CSV:44,34,76,1", "--convert-to", "csv", "--outdir", out,
                        written["long"], written["raw"], wide], check=True, capture_output=True, timeout=300)

        symbols = [row[1] for row in read(os.path.join(out, "long.csv"))[1:]]
        raw = [row[1] for row in read(os.path.join(out, "raw.csv"))[1:]]
        header = read(os.path.join(out, "wide.csv"))[0]
        failures = []
        if symbols != ["'=1+2", "'=1+2", "'@SUM(1)", "'@SUM(1)", "'-3+4", "'-3+4", "IBM", "IBM"]:
            failures.append(f"Symbol column read back as {symbols}")
        if header != ["Date", "'=1+2_Close", "'@SUM(1)_Close", "'-3+4_Close", "IBM_Close"]:
            failures.append(f"wide header read back as {header}")
        # The raw bytes are what a spreadsheet evaluates: the check above can fail.
        if raw[0] != "3":
            failures.append(f"--csv-raw-text: =1+2 read back as {raw[0]!r}, not evaluated")
        for failure in failures:
            print(failure, file=sys.stderr)
        return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
