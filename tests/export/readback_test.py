#!/usr/bin/python3
"""xlsx and CSV written by tessaport-import, read back with independent readers (openpyxl,
csv) and compared with `omegadb dump` and with joins computed here."""

import csv
import datetime
import io
import os
import resource
import signal
import subprocess
import tempfile
import unittest
import zipfile

import openpyxl

BIN = os.environ.get("TESSAPORT_PROGRAM_DIR", "build/bin")
FIELDS = ["Open", "High", "Low", "Close", "Volume", "Open_Interest"]
SUFFIXES = ["_" + field for field in FIELDS]
OPTION_NAMES = ["open", "high", "low", "close", "volume", "oi"]


def run(*args, check=True, **kwargs):
    result = subprocess.run([os.path.join(BIN, args[0]), *args[1:]], capture_output=True, text=True, **kwargs)
    if check and result.returncode != 0:
        raise AssertionError(f"{args} failed: {result.stderr}")
    return result


def history(start, count, seed, skip_every=0, missing_every=0):
    """Rows of omegadb's CSV on weekdays: prices that are not exact in single precision,
    volumes above 2^24 that single precision would round, and some missing prices."""
    days = (start + datetime.timedelta(days=n) for n in range(count * 3))
    days = [d for d in days if d.weekday() < 5 and not (skip_every and d.toordinal() % skip_every == 0)][:count]
    rows = []
    for i, day in enumerate(days):
        base = 10 + seed * 3.17 + i * 0.01
        prices = [f"{base + d:.2f}" for d in (0, 0.5, -0.5, 0.13)]
        if missing_every and i % missing_every == 3:
            prices[(i // missing_every) % 4] = ""
        rows.append([day.isoformat(), *prices, str(123456789 + i * 7 + seed), str(1000 + i)])
    return rows


class Database:
    def __init__(self, folder):
        self.dir = os.path.join(folder, "db")
        run("omegadb", "create", self.dir)

    def add(self, symbol, rows):
        text = "".join(",".join(row) + "\n" for row in [["Date", *FIELDS], *rows])
        run("omegadb", "add", self.dir, symbol, "--description", symbol, "--category", "2", "--period", "0", "-",
            input=text)

    def dump(self, symbol):
        """The records as dump prints them: {date: [open, high, low, close, volume, oi]}."""
        text = run("omegadb", "dump", self.dir, symbol).stdout
        reader = csv.reader(io.StringIO(text))
        next(reader)
        return {datetime.date.fromisoformat(r[0]): r[1:] for r in reader}


def valid(record):
    return all(p != "" for p in record[:4])


def number_text(value):
    """A value read back from xlsx in the form dump writes it."""
    if value is None:
        return ""
    if isinstance(value, int) or float(value).is_integer():
        return str(int(value))
    return repr(float(value))


def read_xlsx(path):
    with zipfile.ZipFile(path) as archive:
        assert archive.testzip() is None, path  # every part's checksum, as python3 -m zipfile -t
    sheet = openpyxl.load_workbook(path).active
    rows = list(sheet.iter_rows())
    header = [c.value for c in rows[0]]
    data = []
    for row in rows[1:]:
        date = row[0]
        assert date.number_format == "yyyy-mm-dd", date.number_format
        data.append([date.value.date(), *[number_text(c.value) if not isinstance(c.value, str) else c.value
                                          for c in row[1:]]])
    return header, data


def read_csv(path):
    with open(path, newline="", encoding="utf-8") as f:
        raw = f.read()
    assert raw.endswith("\r\n") and "\n" not in raw.replace("\r\n", ""), "lines end in CRLF"
    rows = list(csv.reader(io.StringIO(raw, newline="")))
    return rows[0], [[datetime.date.fromisoformat(r[0]), *r[1:]] for r in rows[1:]]


class ExportTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory()
        cls.db = Database(cls.temp.name)
        # Different first dates, gaps, missing prices; one symbol that needs quoting in CSV.
        cls.symbols = ["AAA", "B,B", "CCC"]
        cls.db.add("AAA", history(datetime.date(2001, 1, 1), 300, 1, missing_every=37))
        cls.db.add("B,B", history(datetime.date(2001, 3, 5), 200, 2, skip_every=3, missing_every=29))
        cls.db.add("CCC", history(datetime.date(2000, 11, 20), 150, 3, skip_every=4))
        cls.dumps = {s: cls.db.dump(s) for s in cls.symbols}

    def out(self, name):
        return os.path.join(self.temp.name, name)

    def read(self, fmt, path):
        # Values in shortest decimals: the same text as dump for prices and exact integers.
        header, rows = read_xlsx(path) if fmt == "xlsx" else read_csv(path)
        return header, [r + [""] * (len(header) - len(r)) for r in rows]

    def wide_join(self, fields, common, keep):
        kept = {s: {d: r for d, r in self.dumps[s].items() if keep or valid(r)} for s in self.symbols}
        dates = sorted(set().union(*kept.values()))
        if common:
            dates = [d for d in dates if all(d in kept[s] for s in self.symbols)]
        columns = [FIELDS.index(f) for f in fields]
        return [[d, *[kept[s][d][c] if d in kept[s] else "" for s in self.symbols for c in columns]] for d in dates]

    def test_wide_merge_equals_join(self):
        cases = [("xlsx", "close,oi,open", False, True), ("csv", None, True, False)]
        for fmt, fields, common, keep in cases:
            with self.subTest(fmt=fmt, fields=fields, common=common, keep=keep):
                path = self.out(f"wide.{fmt}")
                args = ["--data", self.db.dir, "--merge", "wide", "--format", fmt, "-o", path, *self.symbols]
                args += ["--fields", fields] if fields else []
                args += ["--common-dates"] if common else []
                args += ["--keep-invalid"] if keep else []
                run("tessaport-import", *args)
                names = [FIELDS[OPTION_NAMES.index(n)] for n in fields.split(",")] if fields else FIELDS[:5]
                names = [f for f in FIELDS if f in names]  # always in the fields' own order
                header, rows = self.read(fmt, path)
                self.assertEqual(header, ["Date"] + [s + SUFFIXES[FIELDS.index(f)] for s in self.symbols for f in names])
                self.assertEqual(rows, self.wide_join(names, common, keep))

    def test_long_merge_equals_join(self):
        for fmt in ("xlsx", "csv"):
            with self.subTest(fmt=fmt):
                path = self.out(f"long.{fmt}")
                run("tessaport-import", "--data", self.db.dir, "--merge", "long", "--format", fmt, "--open-interest",
                    "-o", path, "--all")
                header, rows = self.read(fmt, path)
                self.assertEqual(header, ["Date", "Symbol", *FIELDS])
                expected = [[d, s, *r] for s in self.symbols for d, r in sorted(self.dumps[s].items()) if valid(r)]
                self.assertEqual(rows, expected)

    def test_dates_before_1900_are_counted(self):
        old_db = Database(tempfile.mkdtemp(dir=self.temp.name))
        old_db.add("OLD", [[day, "1", "2", "0.5", "1.5", "5", "6"] for day in ("1850-01-02", "1899-12-31", "1900-01-01")])
        path = self.out("old.xlsx")
        result = run("tessaport-import", "--data", old_db.dir, "--format", "xlsx", "-o", path, "OLD")
        self.assertIn(path + ": 2 dates before 1900 written as yyyy-mm-dd text", result.stderr)
        result = run("tessaport-import", "--data", old_db.dir, "--from", "1900-01-01", "--format", "xlsx", "-o", path, "OLD")
        self.assertNotIn("before 1900", result.stderr)

    def test_failure_mid_write_keeps_the_earlier_file(self):
        def limited():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))

        # Past the limit in the rows' temporary file, and in the zip or the CSV itself.
        for fmt, limit in (("xlsx", 20000), ("xlsx", 5000), ("csv", 20000)):
            with self.subTest(fmt=fmt, limit=limit):
                path = self.out(f"kept.{fmt}")
                with open(path, "w") as f:
                    f.write("earlier")
                result = run("tessaport-import", "--data", self.db.dir, "--merge", "long", "--format", fmt,
                             "-o", path, "--all", check=False, preexec_fn=limited)
                self.assertEqual(result.returncode, 1)
                self.assertIn("cannot write " + path, result.stderr)
                with open(path) as f:
                    self.assertEqual(f.read(), "earlier")
                self.assertEqual([n for n in os.listdir(self.temp.name) if n.endswith(".tmp")], [])


if __name__ == "__main__":
    unittest.main()
