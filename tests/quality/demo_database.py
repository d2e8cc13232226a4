#!/usr/bin/env python3
"""One database of the named demo securities, their histories drawn exactly as
demo/make_demo.py draws them, for the Python module's tests."""

import csv
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "demo"))
import make_demo  # noqa: E402


def make(omegadb, directory, symbols):
    """The securities in the order of the demo's list."""
    with open(os.path.join(os.path.dirname(make_demo.__file__), "securities.csv"), encoding="utf-8") as f:
        rows = [r for r in csv.DictReader((line for line in f if not line.startswith("#")),
                                          fieldnames=make_demo.FIELDS) if r["symbol"] in symbols]
    if len(rows) != len(set(symbols)):
        sys.exit("demo_database: unknown symbols")
    subprocess.run([omegadb, "create", directory], check=True)
    for row in rows:
        subprocess.run([omegadb, "add", directory, row["symbol"], "--description", row["description"], "--category",
                        row["category"], "--period", row["period"], "-"], input=make_demo.history(row), text=True,
                       check=True, capture_output=True)

