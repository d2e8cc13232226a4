#!/usr/bin/python3
"""The database of the batch benchmark: make_database.py OMEGADB OUT_DIR [SECURITIES RECORDS].
SECURITIES (default 2,000) securities of RECORDS (default 2,500) daily records each."""

import datetime
import os
import subprocess
import sys

omegadb, out = sys.argv[1], sys.argv[2]
securities = int(sys.argv[3]) if len(sys.argv) > 3 else 2000
records = int(sys.argv[4]) if len(sys.argv) > 4 else 2500

if not os.path.exists(os.path.join(out, "master.omg")):
    subprocess.run([omegadb, "create", out], check=True)
    lines = ["Date,Open,High,Low,Close,Volume"]
    day = datetime.date(1990, 1, 1)
    for i in range(records):
        while day.weekday() > 4:
            day += datetime.timedelta(days=1)
        p = 10 + (i % 5000) * 0.01
        lines.append(f"{day.isoformat()},{p:.2f},{p + 0.5:.2f},{p - 0.5:.2f},{p + 0.13:.2f},{123456 + i}")
        day += datetime.timedelta(days=1)
    history = "\n".join(lines) + "\n"
    for s in range(securities):
        subprocess.run([omegadb, "add", out, f"S{s:04}", "-"], input=history.encode(), check=True)
