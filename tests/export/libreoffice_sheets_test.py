#!/usr/bin/python3
"""WK1 and BIFF2, BIFF3 and BIFF4 files written by tessaport-import, with and without open
interest, opened by LibreOffice (all in one conversion to CSV) and compared cell by cell
with the records `omegadb dump` prints.

What these formats and LibreOffice's reading of them change, and all this test allows:
- a date is a day number counted from 1899-12-30 (the cell holds the number);
- prices are the database's single-precision values, and volumes and open interest are
  written as single precision too (123456789 becomes 123456792);
- LibreOffice's Lotus filter keeps 8 significant digits of a WK1 number (0.01 held as
  0.0099999998 is read as 0.0099999998, not 0.00999999977648258);
- labels are Windows-1252 bytes: BIFF says so in its code page record, WK1 has no such
  record and LibreOffice reads its labels in the DOS code page 437 (É, 0xC9, becomes ╔).
Records with a missing price are left out of the files, as the import leaves them out.
Exit status 77 (skipped) only when no LibreOffice is installed."""

import csv
import datetime
import io
import os
import shutil
import struct
import subprocess
import sys
import tempfile

BIN = os.environ.get("TESSAPORT_PROGRAM_DIR", "build/bin")
SYMBOL = "\u00c9CU"  # ÉCU, a name that reaches the file in every header label
ROWS = """Date,Open,High,Low,Close,Volume,Open_Interest
1987-10-19,12.345,13.5,11.25,12.875,123456789,4567
1999-12-31,0.0625,1.5,0.01,1234.5678,2147483647,0
2000-01-03,99999.99,100000.5,99000.25,99999.75,16777217,2147483647
2000-01-04,1,,1,1,5,5
2024-02-29,101.1,102.2,100.3,101.7,7,16777219
2041-06-28,3.3333,3.5,3.125,3.3,0,1
"""
EPOCH = datetime.date(1899, 12, 30)
# LibreOffice's CSV filter: comma, double quote, UTF-8, from line 1, values not as shown.
CSV_FILTER = "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false"


def convert(office, tmp, files, *how):
    """LibreOffice's CSV of each file, in one conversion."""
    out = os.path.join(tmp, "out")
    subprocess.run([office, "-env:UserInstallation=file://" + os.path.join(tmp, "profile"), "--headless", *how,
                    "--outdir", out, *files], check=True, capture_output=True, timeout=600)
    return [os.path.join(out, os.path.splitext(os.path.basename(path))[0] + ".csv") for path in files]


def run(*args, stdin=None):
    return subprocess.run([os.path.join(BIN, args[0]), *args[1:]], input=stdin, capture_output=True,
                          check=True).stdout


def single(value):
    return struct.unpack("<f", struct.pack("<f", value))[0]


def expected_rows(db, open_interest):
    """The valid records as the cells should hold them: day number, prices, counts."""
    rows = list(csv.reader(io.StringIO(run("omegadb", "dump", db, SYMBOL).decode())))
    header, out = rows[0][:7 if open_interest else 6], []
    for row in rows[1:]:
        if "" in row[1:5]:
            continue
        day = (datetime.date.fromisoformat(row[0]) - EPOCH).days
        out.append([day] + [single(float(text)) for text in row[1:len(header)]])
    return ["Date"] + [f"{SYMBOL}_{name}" for name in header[1:]], out


def as_read(header, rows, wk1):
    """What LibreOffice should read of the cells written, with the differences above, as
    its CSV prints them (15 significant digits)."""
    if wk1:
        header = [label.encode("cp1252").decode("cp437") for label in header]
    return header, [[float(f"{value:{'.8g' if wk1 else '.15g'}}") for value in row] for row in rows]


def sheets(office, tmp):
    db = os.path.join(tmp, "db")
    run("omegadb", "create", db)
    run("omegadb", "add", db, SYMBOL, "--category", "0", "-", stdin=ROWS.encode())
    files = []
    for kind in ("wk1", "biff2", "biff3", "biff4"):
        for open_interest in (False, True):
            path = os.path.join(tmp, kind + ("-oi" if open_interest else "") + (".wk1" if kind == "wk1" else ".xls"))
            run("tessaport-import", "--data", db, "--format", kind, "-q", "-o", path, SYMBOL,
                *(["--open-interest"] if open_interest else []))
            files.append((path, kind == "wk1", open_interest))
    failures = []
    converted = convert(office, tmp, [path for path, _, _ in files], "--convert-to", CSV_FILTER)
    for (path, wk1, open_interest), csv_path in zip(files, converted):
        name = os.path.basename(path)
        header, rows = as_read(*expected_rows(db, open_interest), wk1)
        if not os.path.exists(csv_path):
            failures.append(f"{name}: LibreOffice converted nothing")
            continue
        with open(csv_path, newline="", encoding="utf-8") as f:
            cells = list(csv.reader(f))
        if cells[0] != header:
            failures.append(f"{name}: header read as {cells[0]}, written {header}")
        read_rows = [[float(text) for text in row] for row in cells[1:]]
        if len(read_rows) != len(rows):
            failures.append(f"{name}: {len(read_rows)} rows read, {len(rows)} written")
        for number, (got, want) in enumerate(zip(read_rows, rows), start=2):
            if got != want:
                failures.append(f"{name} row {number}: read {got}, written {want}")
    return failures


def main():
    office = shutil.which("soffice") or shutil.which("libreoffice")
    if not office:
        print("skipped: no LibreOffice (soffice or libreoffice) is installed to open the files")
        return 77
    with tempfile.TemporaryDirectory() as tmp:
        failures = sheets(office, tmp)
        for failure in failures:
            print(failure, file=sys.stderr)
        print(f"{len(failures)} differences")
        return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
