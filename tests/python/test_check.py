"""check() against omegadb check --csv."""

import io
import subprocess

import pandas as pd
import pytest
import tessaport

from conftest import OMEGADB


def cli_check(directory, *symbols):
    result = subprocess.run([OMEGADB, "check", directory, *symbols, "--csv"], capture_output=True)
    assert result.returncode in (0, 1), result.stderr
    return pd.read_csv(io.BytesIO(result.stdout), dtype=str, keep_default_na=False, encoding="utf-8")


def as_text(findings):
    return [(f.symbol, str(f.date) if f.date else f.values[5:9] + "-" + f.values[9:11] + "-" + f.values[11:13],
             f.kind, f.values, f.reason) for f in findings]


@pytest.mark.parametrize("database, symbols", [
    ("edge_db", []), ("edge_db", ["FLT"]), ("edge_db", ["gb"]), ("demo_db", []),
])
def test_check_equals_omegadb_check(request, database, symbols):
    directory = request.getfixturevalue(database)
    db = tessaport.Database(directory)
    expected = list(cli_check(directory, *symbols).itertuples(index=False, name=None))
    findings = db.check(symbols[0]) if symbols else db.check()
    assert as_text(findings) == expected
    if symbols == ["FLT"]:
        assert {"high-below-low", "bad-tick", "gap", "split", "negative-volume"} <= {f.kind for f in findings}
    frame = db.check(*symbols, frame=True)
    assert list(frame.columns) == ["Symbol", "Date", "Kind", "Values", "Reason"]
    assert [tuple(row) for row in frame.assign(Date=frame["Date"].dt.strftime("%Y-%m-%d")).itertuples(
        index=False, name=None)] == expected
