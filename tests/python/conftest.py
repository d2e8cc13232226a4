"""Databases made with omegadb: the demo's securities, small made-up ones for the edges, and
one of two securities for each test that damages it."""

import csv
import io
import os
import subprocess
import sys

import numpy as np
import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "quality"))
import demo_database  # noqa: E402

PROGRAM_DIR = os.environ["TESSAPORT_PROGRAM_DIR"]
OMEGADB = os.path.join(PROGRAM_DIR, "omegadb")
IMPORT = os.path.join(PROGRAM_DIR, "tessaport-import")

# Daily stocks (IBX with a missing open and close), futures with open interest and
# invalid records (FCN, FCL), weekly indexes and monthly funds.
DEMO = ["ABRN", "IBX", "FCN", "FCL", "CMP5", "TRNS", "HRBF", "CPMM"]

EDGE = {
    # Before and after what nanosecond timestamps hold, and across both ends.
    "OLD": ("1600-01-03,1,2,0.5,1.5,10\n1600-01-04,1.5,2.5,1,2,20\n1600-01-05,2,3,1.5,2.5,30\n", "Early"),
    "FAR": ("2300-01-02,4,5,3,4.5,1\n2300-01-03,4.5,5,4,4.25,2\n", "Late"),
    "SPAN": ("1650-06-01,1,1,1,1,1\n1700-01-04,2,2,2,2,2\n2000-01-03,3,3,3,3,3\n2262-04-11,4,4,4,4,4\n"
             "2262-04-12,5,5,5,5,5\n2500-12-31,6,6,6,6,6\n", "Across"),
    "ENDS": ("1677-09-22,1,1,1,1,1\n2262-04-11,2,2,2,2,2\n", "The first and last days held"),
    # Gaps, different first dates and invalid records, for the merges.
    "GA": ("2001-01-01,10,11,9,10.5,100\n2001-01-02,10.5,11,10,10.75,110\n2001-01-04,10.75,11.5,10.5,11,120\n"
           "2001-01-05,11,11.25,10.5,10.75,130\n2001-01-08,,11,10,10.5,140\n2001-01-09,10.5,11,10,10.25,150\n",
           "Gaps A"),
    "GB": ("2001-01-03,20,21,19,20.5,200\n2001-01-04,20.5,21,20,20.75,210\n2001-01-05,20.75,22,20.5,21.5,220\n"
           "2001-01-08,21.5,22,21,21.25,230\n2001-01-10,21.25,21.5,20,,240\n2001-01-11,21,21.5,20.5,21,250\n",
           "Gaps B"),
    # Faults for the checks: a high below the low, a bad tick, a gap, a split, a negative volume.
    "FLT": ("2002-01-02,10,10.5,9.5,10,100\n2002-01-03,10,9,9.5,10,100\n2002-01-04,10,10.5,9.5,10.1,100\n"
            "2002-01-07,10,20.5,9.5,20,100\n2002-01-08,10,10.5,9.5,10,100\n2002-01-09,10,10.5,9.5,10.1,-5\n"
            "2002-02-01,10,10.5,9.5,10,100\n2002-02-04,5,5.2,4.9,5,200\n2002-02-05,5,5.2,4.9,5.05,200\n"
            "2002-02-06,5,5.2,4.9,5.1,200\n2002-02-07,5,5.2,4.9,5,200\n", "Faults"),
}
# With open interest; a symbol and description beyond ASCII, held in Windows-1252 (omegadb
# takes them as UTF-8 and stores them so).
EDGE_OI = {"GC": ("2001-01-02,1,2,0.5,1.5,5,50\n2001-01-03,1.5,2,1,,6,60\n2001-01-09,2,3,1.5,2.5,7,70\n", "With OI")}
SYMBOL_1252 = "\u00c9CU"                # ÉCU, 0xC9 in Windows-1252
DESCRIPTION_1252 = "Euro \u20ac unit"   # the euro sign, 0x80 in Windows-1252


def omegadb(*arguments, stdin=None):
    return subprocess.run([OMEGADB, *arguments], input=stdin, capture_output=True, check=True).stdout


def add(directory, symbol, rows, description="", period=0, category=2, open_interest=False):
    header = "Date,Open,High,Low,Close,Volume" + (",OpenInterest" if open_interest else "") + "\n"
    omegadb("add", directory, symbol, "--description", description, "--category", str(category),
            "--period", str(period), "-", stdin=(header + rows).encode() if isinstance(rows, str) else rows)


@pytest.fixture(scope="session")
def demo_db(tmp_path_factory):
    directory = str(tmp_path_factory.mktemp("demo") / "db")
    demo_database.make(OMEGADB, directory, DEMO)  # DEMO is in the demo's order
    return directory


@pytest.fixture(scope="session")
def edge_db(tmp_path_factory):
    directory = str(tmp_path_factory.mktemp("edge") / "db")
    omegadb("create", directory)
    for symbol, (rows, description) in EDGE.items():
        add(directory, symbol, rows, description)
    for symbol, (rows, description) in EDGE_OI.items():
        add(directory, symbol, rows, description, category=0, open_interest=True)
    add(directory, SYMBOL_1252, "2001-01-02,1,1,1,1,1\n", DESCRIPTION_1252)
    return directory


def close(day):
    return 100 + day / 10


@pytest.fixture
def small_db(tmp_path):
    """AAA, a close of close(d) on each day d of February 2001, and BBB of one record: the data
    files d000001.omd and d000002.omd."""
    directory = str(tmp_path / "db")
    omegadb("create", directory)
    add(directory, "AAA", "".join(f"2001-02-{d:02},{close(d) - 0.5},{close(d) + 1},{close(d) - 1},{close(d)},{d * 10}\n"
                                  for d in range(1, 29)))
    add(directory, "BBB", "2001-02-01,1,1,1,1,1\n")
    return directory


def dump(directory, symbol, *options):
    """The rows omegadb dump prints, as the structured array read() should give."""
    rows = list(csv.reader(io.StringIO(omegadb("dump", directory, symbol, *options).decode())))
    names = ["date", "open", "high", "low", "close", "volume", "open_interest"][:len(rows[0])]
    out = np.zeros(len(rows) - 1, dtype=[("date", "M8[D]")] + [(n, "f4") for n in names[1:5]]
                   + [(n, "i8") for n in names[5:]])
    for name, texts in zip(names, zip(*rows[1:])):  # the columns
        prices = out.dtype[name] == np.float32
        out[name] = [float(text) if text else np.nan for text in texts] if prices else texts
    return out


def valid(rows):
    """The rows without a missing price, as the import keeps them."""
    prices = np.stack([rows[n] for n in ("open", "high", "low", "close")])
    return rows[~np.isnan(prices).any(axis=0)]


def assert_rows_equal(actual, expected):
    assert actual.dtype.names == expected.dtype.names
    assert len(actual) == len(expected)
    for name in expected.dtype.names:
        np.testing.assert_array_equal(actual[name], expected[name], err_msg=name)
