"""read() and frame() against omegadb dump, and securities() against omegadb list."""

import datetime

import numpy as np
import pandas as pd
import pytest
import tessaport

from conftest import DEMO, EDGE, EDGE_OI, assert_rows_equal, dump, omegadb, valid


# The demo leaves prices out of one IBX record and three of FCN.
@pytest.mark.parametrize("database, symbol",
                         [("demo_db", s) for s in DEMO] + [("edge_db", s) for s in [*EDGE, *EDGE_OI]])
def test_read_equals_dump(request, database, symbol):
    directory = request.getfixturevalue(database)
    db = tessaport.Database(directory)
    rows = dump(directory, symbol)
    assert_rows_equal(db.read(symbol, keep_invalid=True), rows)
    assert_rows_equal(db.read(symbol), valid(rows))
    if symbol in ("IBX", "FCN"):
        assert len(rows) - len(valid(rows)) == (1 if symbol == "IBX" else 3)
        # A range takes the records through the import's narrowing: the invalid ones too.
        assert_rows_equal(db.read(symbol, start="1900-01-01", keep_invalid=True),
                          dump(directory, symbol, "--from", "1900-01-01"))


@pytest.mark.parametrize("start, end, frm, to", [
    ("2020-01-01", "2020-03-31", "2020-01-01", "2020-03-31"),
    (None, np.datetime64("1962-03-01"), None, "1962-03-01"),
    (datetime.datetime(2001, 9, 10, 15, 30), pd.Timestamp("2001-09-20"), "2001-09-10", "2001-09-20"),
    (np.datetime64("2010-06-01T12:00", "m"), "2010-06-01", "2010-06-01", "2010-06-01"),
])
def test_range_narrows_as_dump_does(demo_db, start, end, frm, to):
    db = tessaport.Database(demo_db)
    options = (["--from", frm] if frm else []) + (["--to", to] if to else [])
    assert_rows_equal(db.read("ABRN", start=start, end=end, keep_invalid=True), dump(demo_db, "ABRN", *options))


def test_fields_choose_the_columns_in_their_order(demo_db):
    db = tessaport.Database(demo_db)
    full = db.read("FCN")
    for fields in ("oi, CLOSE", ["close", "oi"], ("oi", "close")):
        some = db.read("FCN", fields=fields)
        assert some.dtype.names == ("date", "close", "open_interest")
        assert some.dtype.fields["open_interest"][1] % 8 == 0  # aligned
        for name in some.dtype.names:
            np.testing.assert_array_equal(some[name], full[name])


def test_frame_holds_the_rows_of_read(demo_db):
    db = tessaport.Database(demo_db)
    rows = db.read("FCL", keep_invalid=True)
    frame = db.frame("FCL", keep_invalid=True)
    assert list(frame.columns) == ["Open", "High", "Low", "Close", "Volume", "Open_Interest"]
    assert isinstance(frame.index, pd.DatetimeIndex) and frame.index.name == "Date"
    np.testing.assert_array_equal(frame.index.values.astype("M8[D]"), rows["date"])
    for column, name in zip(frame.columns, rows.dtype.names[1:]):
        assert frame[column].dtype == rows[name].dtype
        np.testing.assert_array_equal(frame[column].to_numpy(), rows[name])


def test_securities_equal_omegadb_list(demo_db, edge_db):
    for directory in (demo_db, edge_db):
        listed = [line.split(b"\t") for line in omegadb("list", directory).splitlines()[1:]]
        securities = tessaport.Database(directory).securities()
        assert [s.symbol.encode("utf-8") for s in securities] == [cells[0] for cells in listed]
        for s, cells in zip(securities, listed):
            assert s.description.encode("utf-8") == cells[1]
            assert (s.category, s.period, s.record_count) == (int(cells[2]), int(cells[3]), int(cells[4]))
            assert (str(s.first_date), str(s.last_date)) == (cells[5].decode(), cells[6].decode())
    assert len(tessaport.Database(edge_db).read("ÉCU")) == 1
    edge = tessaport.Database(edge_db).securities()
    assert [(s.symbol, s.open_interest) for s in edge if s.description in ("With OI", "Euro € unit")] == [
        ("GC", True), ("ÉCU", False)]
    demo = tessaport.Database(demo_db)
    frame = demo.securities(frame=True)
    assert list(frame.columns) == ["Symbol", "Description", "Category", "Period", "FirstDate", "LastDate",
                                   "Records", "OpenInterest"]
    assert list(frame["Symbol"]) == DEMO
    assert frame["FirstDate"].dt.date.tolist() == [s.first_date for s in demo.securities()]
