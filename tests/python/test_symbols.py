"""A security is found by the bytes it is held under, in Python as on the command line:
symbols with blanks around them give the same rows."""

import subprocess

import pytest
import tessaport

from conftest import IMPORT, add, omegadb

ROWS = "2020-01-02,1,2,0.5,1.5,100\n2020-01-03,1.25,2,,1.5,110\n2020-01-06,1.5,2.5,1,2,120\n"


@pytest.fixture(scope="module")
def blanks_db(tmp_path_factory):
    directory = str(tmp_path_factory.mktemp("blanks") / "db")
    omegadb("create", directory)
    for symbol in (" LEAD", "TRAIL ", " X", "X", "WALK"):
        add(directory, symbol, ROWS)
    return directory


def command(directory, *arguments):
    run = subprocess.run([IMPORT, "--data", directory, "-q", *arguments], capture_output=True)
    return run.returncode, [line.removeprefix("tessaport-import: ") for line in run.stderr.decode().splitlines()]


def test_symbols_as_held(blanks_db, tmp_path):
    db = tessaport.Database(blanks_db)
    assert [s.symbol for s in db.securities()] == [" LEAD", "TRAIL ", " X", "X", "WALK"]
    assert [line.split(b"\t")[0] for line in omegadb("list", blanks_db).splitlines()[1:]] == [
        b'" LEAD"', b'"TRAIL "', b'" X"', b"X", b"WALK"]
    for symbol, held in ((" LEAD", " LEAD"), ("TRAIL ", "TRAIL "), (" X", " X"), ("X", "X"), (" walk ", "WALK")):
        out = str(tmp_path / "one.csv")
        assert command(blanks_db, "--format", "csv", "-o", out, symbol) == (0, [])
        with open(out, encoding="utf-8") as f:
            lines = f.read().splitlines()
        assert lines[0].split(",")[1] == held + "_Open"
        assert [line.split(",")[0] for line in lines[1:]] == [str(d) for d in db.read(symbol)["date"]]
    assert db.check(" LEAD") == []
    assert " LEAD" in db and "LEAD" not in db
