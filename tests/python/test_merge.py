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


DEMO_MERGE = ["FCN", "ABRN", "CMP5", "HRBF", "FCL"]  # different first dates and periods, invalid records and OI
DEMO_OPTIONS = ["--from", "1990-01-01", "--to", "1995-12-31", "--open-interest"]
DEMO_KWARGS = {"start": "1990-01-01", "end": np.datetime64("1995-12-31"), "fields": "open,high,low,close,volume,oi"}


@pytest.mark.parametrize("database, symbols, how, options, kwargs", [
    ("edge_db", ["GA", "GB", "GC"], "wide", ["--keep-invalid", "--fields", "close,oi,volume"],
     {"keep_invalid": True, "fields": "close,oi,volume"}),
    ("edge_db", ["GB", "GA"], "long", ["--keep-invalid"], {"keep_invalid": True}),
    ("edge_db", ["GA", "GB", "GC"], "wide", ["--keep-invalid"], {"keep_invalid": True, "prices": "float64"}),
    ("demo_db", DEMO_MERGE, "wide", DEMO_OPTIONS + ["--common-dates"], {**DEMO_KWARGS, "common_dates": True}),
])
def test_merge_equals_the_command(request, tmp_path, database, symbols, how, options, kwargs):
    directory = request.getfixturevalue(database)
    ours = tessaport.Database(directory).merge(symbols, how=how, **kwargs)
    assert_same_frame(ours, cli_merge(directory, tmp_path, symbols, "--merge", how, *options))


def test_a_security_without_data_in_the_range_is_left_out(edge_db):
    db = tessaport.Database(edge_db)
    with pytest.warns(tessaport.DataWarning, match="OLD: no data in the dates asked for .*left out of the merge"):
        merged = db.merge(["OLD", "GA"], start="2001-01-01")
    assert list(merged.columns) == ["GA_Open", "GA_High", "GA_Low", "GA_Close", "GA_Volume"]
