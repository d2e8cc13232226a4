"""A security is found by the bytes it is held under, in Python as on the command line:
symbols with blanks around them give the same rows."""

import subprocess

import tessaport

from conftest import IMPORT, add, omegadb

ROWS = "2020-01-02,1,2,0.5,1.5,100\n2020-01-03,1.25,2,,1.5,110\n2020-01-06,1.5,2.5,1,2,120\n"


def test_symbols_as_held(tmp_path):
    blanks_db = str(tmp_path / "db")
    omegadb("create", blanks_db)
    for symbol in (" LEAD", "TRAIL ", " X", "X", "WALK"):
        add(blanks_db, symbol, ROWS)
    db = tessaport.Database(blanks_db)
    assert [s.symbol for s in db.securities()] == [" LEAD", "TRAIL ", " X", "X", "WALK"]
    assert [line.split(b"\t")[0] for line in omegadb("list", blanks_db).splitlines()[1:]] == [
        b'" LEAD"', b'"TRAIL "', b'" X"', b"X", b"WALK"]
    for symbol, held in ((" LEAD", " LEAD"), ("TRAIL ", "TRAIL "), (" X", " X"), ("X", "X"), (" walk ", "WALK")):
        out = str(tmp_path / "one.csv")
        run = subprocess.run([IMPORT, "--data", blanks_db, "-q", "--format", "csv", "-o", out, symbol],
                             capture_output=True)
        assert (run.returncode, run.stderr) == (0, b"")
        with open(out, encoding="utf-8") as f:
            lines = f.read().splitlines()
        assert lines[0].split(",")[1] == held + "_Open"
        assert [line.split(",")[0] for line in lines[1:]] == [str(d) for d in db.read(symbol)["date"]]
    assert " LEAD" in db and "LEAD" not in db
