"""merge() against the CSV files of tessaport-import --merge, read with pandas."""

import os
import subprocess

import numpy as np
import pandas as pd
import pytest
import tessaport

from conftest import IMPORT


def cli_merge(directory, out_dir, symbols, *options):
    path = os.path.join(out_dir, "merge.csv")
    subprocess.run([IMPORT, "--data", directory, "--format", "csv", "-o", path, *options, *symbols],
                   check=True, capture_output=True)
    return pd.read_csv(path, index_col="Date", parse_dates=["Date"], float_precision="round_trip",
                       keep_default_na=False, na_values=[""])


def assert_same_frame(ours, theirs):
    assert list(ours.columns) == list(theirs.columns)
    assert ours.index.name == "Date"
    pd.testing.assert_index_equal(ours.index, theirs.index, check_names=False)
    for column in theirs.columns:
        expected = theirs[column]
        if ours[column].dtype == np.float32:
            expected = expected.astype(np.float32)  # prices leave as the shortest decimal of the float
        pd.testing.assert_series_equal(ours[column], expected, check_names=False)


@pytest.mark.parametrize("symbols, how, options, kwargs", [
    (["GA", "GB"], "wide", [], {}),
    (["GB", "GA"], "wide", ["--common-dates"], {"common_dates": True}),
    (["GA", "GB", "GC"], "wide", ["--keep-invalid", "--fields", "close,oi,volume"],
     {"keep_invalid": True, "fields": "close,oi,volume"}),
    (["GA", "GB"], "wide", ["--from", "2001-01-04", "--to", "2001-01-09"], {"start": "2001-01-04", "end": "2001-01-09"}),
    (["GA", "GB", "GC"], "long", ["--fields", "open,high,low,close,volume,oi"],
     {"fields": ["open", "high", "low", "close", "volume", "oi"]}),
    (["GB", "GA"], "long", ["--keep-invalid"], {"keep_invalid": True}),
    (["GA", "GB", "GC"], "wide", ["--keep-invalid"], {"keep_invalid": True, "prices": "float64"}),
])
def test_edge_merge_equals_the_command(edge_db, tmp_path, symbols, how, options, kwargs):
    db = tessaport.Database(edge_db)
    theirs = cli_merge(edge_db, tmp_path, symbols, "--merge", how, *options)
    ours = db.merge(symbols, how=how, **kwargs)
    assert_same_frame(ours, theirs)


@pytest.mark.parametrize("how, common", [("wide", False), ("wide", True), ("long", False)])
def test_demo_merge_equals_the_command(demo_db, tmp_path, how, common):
    # Different first dates and periods, invalid records and open interest.
    symbols = ["FCN", "ABRN", "CMP5", "HRBF", "FCL"]
    options = ["--merge", how, "--from", "1990-01-01", "--to", "1995-12-31", "--open-interest"]
    theirs = cli_merge(demo_db, tmp_path, symbols, *options, *(["--common-dates"] if common else []))
    ours = tessaport.Database(demo_db).merge(symbols, how=how, common_dates=common, start="1990-01-01",
                                             end=np.datetime64("1995-12-31"),
                                             fields="open,high,low,close,volume,oi")
    assert_same_frame(ours, theirs)
    if how == "wide" and not common:
        assert ours["HRBF_Volume"].dtype == np.float64 and ours["HRBF_Volume"].isna().any()


def test_merge_of_gaps_ranges_and_dates_outside_nanoseconds(edge_db):
    db = tessaport.Database(edge_db)
    ours = db.merge(["GA", "GB"])
    assert ours.loc["2001-01-02", "GB_Close"] != ours.loc["2001-01-02", "GB_Close"]  # NaN: GB starts later
    assert ours["GA_Volume"].dtype == np.float64 and ours["GB_Volume"].dtype == np.float64
    assert list(ours.index.strftime("%d")) == ["01", "02", "03", "04", "05", "08", "09", "11"]
    with pytest.warns(tessaport.DataWarning, match="OLD: no data in the dates asked for .*left out of the merge"):
        merged = db.merge(["OLD", "GA"], start="2001-01-01")
    assert list(merged.columns) == ["GA_Open", "GA_High", "GA_Low", "GA_Close", "GA_Volume"]
    merged = db.merge(["SPAN", "OLD"], how="long")
    assert isinstance(merged.index, pd.PeriodIndex)
    assert [str(p) for p in merged.index] == ["1650-06-01", "1700-01-04", "2000-01-03", "2262-04-11", "2262-04-12",
                                              "2500-12-31", "1600-01-03", "1600-01-04", "1600-01-05"]
    assert list(merged["Symbol"]) == ["SPAN"] * 6 + ["OLD"] * 3
