"""check() against omegadb check --csv."""

import io
import subprocess

import pandas as pd
import tessaport

from conftest import OMEGADB


def test_check_equals_omegadb_check(edge_db):
    result = subprocess.run([OMEGADB, "check", edge_db, "--csv"], capture_output=True)
    assert result.returncode in (0, 1), result.stderr
    expected = list(pd.read_csv(io.BytesIO(result.stdout), dtype=str, keep_default_na=False,
                                encoding="utf-8").itertuples(index=False, name=None))
    findings = tessaport.Database(edge_db).check()
    assert [(f.symbol, str(f.date) if f.date else f.values[5:9] + "-" + f.values[9:11] + "-" + f.values[11:13],
             f.kind, f.values, f.reason) for f in findings] == expected
    assert {"high-below-low", "bad-tick", "gap", "split", "negative-volume"} <= {f.kind for f in findings}
    frame = tessaport.Database(edge_db).check(frame=True)
    assert list(frame.columns) == ["Symbol", "Date", "Kind", "Values", "Reason"]
    assert [tuple(row) for row in frame.assign(Date=frame["Date"].dt.strftime("%Y-%m-%d")).itertuples(
        index=False, name=None)] == expected
