#!/usr/bin/python3
"""The cells of a one-security xlsx export (date, open, high, low, close, volume), written by
Python's XlsxWriter in constant-memory mode: xlsxwriter_cells.py DUMP.csv OUT.xlsx"""

import csv
import datetime
import sys

import xlsxwriter

with open(sys.argv[1], newline="") as f:
    rows = list(csv.reader(f))[1:]
cells = [(datetime.date.fromisoformat(r[0]), *map(float, r[1:5]), int(r[5])) for r in rows]

workbook = xlsxwriter.Workbook(sys.argv[2], {"constant_memory": True})
sheet = workbook.add_worksheet()
date_format = workbook.add_format({"num_format": "yyyy-mm-dd"})
sheet.write_row(0, 0, ["Date", "S000_Open", "S000_High", "S000_Low", "S000_Close", "S000_Volume"])
for i, (day, *values) in enumerate(cells, start=1):
    sheet.write_datetime(i, 0, datetime.datetime.combine(day, datetime.time()), date_format)
    sheet.write_row(i, 1, values)
workbook.close()
