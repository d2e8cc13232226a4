"""Every error as a Python exception with the tools' message, and damaged files read
as far as they are whole."""

import datetime
import os
import shutil
import subprocess

import numpy as np
import pytest
import tessaport

from conftest import IMPORT, add, close

def test_errors_name_what_is_wrong(small_db, tmp_path):
    (tmp_path / "junk").mkdir()
    (tmp_path / "junk" / "master.omg").write_bytes(b"not a database at all")
    db = tessaport.Database(small_db)
    cases = [
        (lambda: tessaport.Database(tmp_path), FileNotFoundError,
         r"no readable database in .* \(master.omg missing or not a header file\)"),
        (lambda: tessaport.Database(str(tmp_path / "junk")), OSError, "no readable database"),  # not FileNotFound
        (lambda: db.merge(["AAA"], how="tall"), ValueError, 'how: "tall" is neither wide nor long'),
        (lambda: db.merge(["AAA"], how="long", common_dates=True), ValueError, "common_dates goes with"),
        (lambda: db.merge([]), ValueError, "no security to merge"),
        (lambda: db.read("AAA", start="\udcff"), ValueError, r"start needs a date YYYY-MM-DD, not '\\udcff'"),
        (lambda: db.read("\udcff"), KeyError, r"no security '\\\\udcff' in"),
        (lambda: db.read("AAA\0X"), KeyError, r"no security 'AAA\\\\x00X' in"),
        (lambda: db.check(5), TypeError, r"symbol must be a str or None, not int"),
        (lambda: tessaport.Database(small_db + "\0/x"), ValueError, r"embedded null byte"),
    ] + [(call, KeyError, "no security '.*' in ") for call in (
        lambda: db.read("ZZZ"), lambda: db.merge(["AAA", "ZZZ"]), lambda: db.read("A" * 20))]
    for call, error, message in cases:
        with pytest.raises(error, match=message) as raised:
            call()
        assert error is not OSError or not isinstance(raised.value, FileNotFoundError)


@pytest.mark.parametrize("arguments, message", [
    ({"start": "2001-02-30"}, "start needs a date YYYY-MM-DD, not '2001-02-30'"),
    ({"start": 20010201}, r"start needs a date \(datetime.date, numpy.datetime64 or YYYY-MM-DD\), not 20010201"),
    ({"end": np.datetime64("NaT")}, "end needs a date"),
    ({"start": "2001-02-10", "end": datetime.date(2001, 2, 9)}, "start is later than end"),
    ({"fields": "close,price"}, 'fields: "price" is none of open, high, low, close, volume, oi'),
    ({"fields": []}, 'fields: "" is none of'),
])
def test_bad_arguments(small_db, arguments, message):
    db = tessaport.Database(small_db)
    for call in (db.read, db.frame, lambda symbol, **kw: db.merge([symbol], **kw)):
        with pytest.raises(ValueError, match=message):
            call("AAA", **arguments)


def test_missing_data_file(small_db):
    path = os.path.join(small_db, "d000002.omd")
    os.remove(path)
    db = tessaport.Database(small_db)
    with pytest.raises(OSError, match=r"the data file d\d+\.omd of 'BBB' is missing or not a data file"):
        db.read("BBB")
    with pytest.warns(tessaport.DataWarning, match="BBB: the data file .* not checked"):
        assert db.check() == []
    with pytest.warns(tessaport.DataWarning, match="BBB: its data are unavailable"):
        assert list(db.merge(["AAA", "BBB"]).columns)[-1] == "AAA_Volume"
    assert [s.record_count for s in db.securities()] == [28, None]


# AAA's 28 records with record 14 zeroed, or cut: every reader reads on past
# the damage in file order and says so.
@pytest.mark.parametrize("offset, data, read, imported, told", [
    (16 + 13 * 28, bytes(28), 28, 27, "record 14 of 28 holds no calendar date"),
    (16 + 28 * 5 + 3, None, 5, 5, "is damaged; reading its 5 complete records"),
], ids=["zeroed", "cut inside record 6"])
def test_damaged_data_file(small_db, tmp_path, offset, data, read, imported, told):
    path = os.path.join(small_db, "d000001.omd")
    with open(path, "r+b") as f:
        f.seek(offset)
        f.write(data) if data else f.truncate()
    db = tessaport.Database(small_db)
    with pytest.warns(tessaport.DataWarning, match=told):
        rows = db.read("AAA")
    assert len(rows) == read
    assert list(rows["close"][:13]) == [np.float32(close(d)) for d in range(1, min(read, 13) + 1)]
    with pytest.warns(tessaport.DataWarning, match="AAA is damaged"):
        assert len(db.merge(["AAA"])) == imported
    assert {f.kind for f in db.check("AAA")} & {"bad-date", "out-of-order", "damaged-file"}
    out = str(tmp_path / "aaa.csv")
    run = subprocess.run([IMPORT, "--data", small_db, "--format", "csv", "-q", "-o", out, "AAA"], capture_output=True)
    assert run.returncode == 1 and b"AAA: the data file is damaged" in run.stderr
    with open(out) as f:
        assert len(f.readlines()) == 1 + imported


def test_damaged_header_file(small_db):
    header = os.path.join(small_db, "master.omg")
    os.truncate(header, 16 + 80 + 40)
    with pytest.warns(tessaport.DataWarning, match="master.omg in .* is damaged; showing its 1 complete entries"):
        assert [s.symbol for s in tessaport.Database(small_db).securities()] == ["AAA"]
    with open(header, "r+b") as f:
        f.seek(16)
        f.write(b"../../etc/passwd\0" + bytes(range(255, 0, -1))[:143])  # names that leave the folder
    db = tessaport.Database(small_db)
    with pytest.warns(tessaport.DataWarning, match="not checked"):
        assert db.check() == []
    assert [s.record_count for s in db.securities()] == [None, None]


def test_changes_after_opening_are_seen(small_db):
    db = tessaport.Database(small_db)
    add(small_db, "CCC", "2002-01-02,1,1,1,1,1\n")
    assert len(db.read("CCC")) == 1 and len(db) == 3
    shutil.rmtree(small_db)
    with pytest.raises(FileNotFoundError):
        db.read("AAA")
