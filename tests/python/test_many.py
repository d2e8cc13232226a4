"""Pickling, read_many() and frames() with progress, and the dates= choice."""

import multiprocessing
import pickle

import numpy as np
import pandas as pd
import pytest
import tessaport

from conftest import DEMO, assert_rows_equal


def closes(db, symbol):
    return db.read(symbol)["close"]


def test_pickled_database_reads_in_spawned_workers(demo_db):
    db = tessaport.Database(demo_db)
    other = pickle.loads(pickle.dumps(db))
    assert other is not db and other.path == db.path
    with multiprocessing.get_context("spawn").Pool(2) as pool:
        read = pool.starmap(closes, [(db, symbol) for symbol in DEMO[:4]])
    for symbol, values in zip(DEMO, read):
        np.testing.assert_array_equal(values, closes(db, symbol))


def test_read_many_and_frames_give_what_read_and_frame_give(demo_db):
    db = tessaport.Database(demo_db)
    many = db.read_many(keep_invalid=True)
    assert list(many) == DEMO
    for symbol in DEMO:
        assert_rows_equal(many[symbol], db.read(symbol, keep_invalid=True))
    frames = db.frames(["cmp5", "ABRN", "CMP5"], start="1995-01-01", prices="float64")
    assert list(frames) == ["CMP5", "ABRN"]
    pd.testing.assert_frame_equal(frames["ABRN"], db.frame("ABRN", start="1995-01-01", prices="float64"))


def test_progress_ends_with_the_total(demo_db):
    db = tessaport.Database(demo_db)
    for call in (db.read_many, db.frames, db.merge):
        calls = []
        call(DEMO[:3], progress=lambda done, total: calls.append((done, total)))
        assert calls and calls[-1][0] == calls[-1][1] > 0, call.__name__
        with pytest.raises(ZeroDivisionError):  # raised by the callback
            call(DEMO[:3], progress=lambda done, total: 1 / 0)


@pytest.mark.parametrize("dates, index, warns", [
    ("period", pd.PeriodIndex, None),
    ("datetime", pd.DatetimeIndex, "SPAN: 3 dates lie outside .* NaT \\(the first: 1650-06-01\\)"),
])
def test_dates_outside_the_nanosecond_range(edge_db, dates, index, warns):
    db = tessaport.Database(edge_db)
    with pytest.warns(tessaport.DataWarning, match=warns) if warns else pytest.MonkeyPatch.context():
        frame = db.frames(["SPAN"], dates=dates)["SPAN"]
    assert isinstance(frame.index, index) and len(frame) == 6
    assert frame.index.isna().sum() == (3 if dates == "datetime" else 0)
    if dates == "period":  # the default: every day kept
        assert [str(label) for label in db.frame("SPAN").index] == [str(d) for d in db.read("SPAN")["date"]]
    assert isinstance(db.frame("ENDS", dates=dates).index, pd.DatetimeIndex)
    with pytest.raises(ValueError, match="FAR: the date 2300-01-02 lies outside 1677-09-22..2262-04-11"):
        db.frame("FAR", dates="raise")
    with pytest.raises(ValueError, match="the merge: the date 1600-01-03 lies outside"):
        db.merge(["GA", "OLD"], dates="raise")


@pytest.mark.parametrize("option, value, error, message", [
    ("dates", "Period", ValueError, 'dates takes "period", "datetime" or "raise", not \'Period\''),
    ("prices", "float16", ValueError, 'prices takes "float32" or "float64", not \'float16\''),
    ("progress", 1, TypeError, r"progress takes a callable progress\(done, total\), True or None, not int"),
])
def test_option_errors_name_the_option(edge_db, option, value, error, message):
    db = tessaport.Database(edge_db)
    for call in (db.frames, lambda **kw: db.merge(["GA"], **kw)):
        with pytest.raises(error, match=message):
            call(**{option: value})
