#!/usr/bin/env bash
# Makes the seeds in fuzz/corpus/ with the project's own tools (seeds added by hand stay):
# omegadb writes a small database and dumps it as CSV, tessaport-import writes it as pattern
# files of every type. Usage: fuzz/make_seeds.sh BUILD_DIR (a normal build holding bin/omegadb and
# bin/tessaport-import).
set -euo pipefail
bin=$(realpath "$1")/bin
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p corpus/{sheet_reader,qv2omg,registry,registry_writer,folder_walk,price_csv,date_text,zip_reader,xlsx_reader,csv_reader}

cat >"$work/prices.csv" <<'CSV'
Date,Open,High,Low,Close,Volume,OpenInterest
1999-12-30,28.62,29.5,28.125,29.25,120400,3100
1999-12-31,29.25,,28.75,29,98000,3050
2000-01-03,29,30.0625,28.5,30,153210,3200
2000-02-29,1e-05,3.4e+38,0,0.1,0,0
2000-03-01,31,31.5,30.25,,-1,2147483647
CSV
cut -d, -f1-6 "$work/prices.csv" >"$work/prices6.csv"
"$bin/omegadb" create "$work/db"
"$bin/omegadb" add "$work/db" ABC --description "Abernathy Rail & Steel" --category 2 "$work/prices.csv"
"$bin/omegadb" add "$work/db" xy.z --period 1 "$work/prices6.csv"
"$bin/omegadb" dump "$work/db" ABC >corpus/price_csv/seven_columns.csv
"$bin/omegadb" dump "$work/db" xy.z >corpus/price_csv/six_columns.csv

for format in wk1 biff2 biff3 biff4; do
  "$bin/tessaport-import" --data "$work/db" --open-interest --format $format -o corpus/sheet_reader/abc.$format ABC >/dev/null
done

# xlsx and CSV as the exports write them; the same bytes every time.
export SOURCE_DATE_EPOCH=946684800
"$bin/tessaport-import" --data "$work/db" --open-interest --format xlsx -o corpus/zip_reader/abc.xlsx ABC >/dev/null 2>&1
"$bin/tessaport-import" --data "$work/db" --merge wide --format xlsx -o "$work/wide.xlsx" --all >/dev/null 2>&1
"$bin/tessaport-import" --data "$work/db" --format csv -o corpus/csv_reader/abc.csv ABC >/dev/null
"$bin/tessaport-import" --data "$work/db" --merge long --format csv -o corpus/csv_reader/long.csv --all >/dev/null

python3 - "$work" <<'PY'
import pathlib, struct, sys
work = pathlib.Path(sys.argv[1])
corpus = pathlib.Path("corpus")
header = (work / "db/master.omg").read_bytes()
data = (work / "db/d000001.omd").read_bytes()
def range_prefix(first, last):
    return struct.pack("<H", len(header)) + struct.pack("<3i", *first) + struct.pack("<3i", *last)
# OmegaDate: month, day, years since 1900.
(corpus / "qv2omg/all_dates").write_bytes(range_prefix((1, 1, 0), (12, 31, 200)) + header + data)
(corpus / "qv2omg/around_2000").write_bytes(range_prefix((12, 31, 99), (2, 29, 100)) + header + data)
(corpus / "qv2omg/data_cut_short").write_bytes(range_prefix((1, 1, 0), (12, 31, 200)) + header + data[:-9])

# The registry file as the demo installation writes it, in both header forms.
template = pathlib.Path("../demo/registry.reg.in").read_text().replace("@PROGRAM_DIR@", "/opt/omega/Program")
(corpus / "registry/regedit4.reg").write_text(template)
v5 = template.replace("REGEDIT4", "Windows Registry Editor Version 5.00").replace("\n", "\r\n")
v5 += '"Count"=dword:0000001f\r\n"Blob"=hex(2):25,00,\\\r\n  41,00\r\n[-HKEY_LOCAL_MACHINE\\Software\\Old]\r\n'
(corpus / "registry/version5_utf16.reg").write_bytes(b"\xff\xfe" + v5.encode("utf-16-le"))

# The registry writer: the program's key and a path; a UTF-16 path with a line break in it;
# a key of its own ending in a blank, with a default value.
(corpus / "registry_writer/path").write_bytes(b"\0\xffPath\xff/opt/omega/Program")
(corpus / "registry_writer/line_break_utf16").write_bytes(
    b"\1\xff" + "Path".encode("utf-16-le") + b"\xff" + '/a\n@="x"'.encode("utf-16-le"))
(corpus / "registry_writer/own_key").write_bytes(b"\2Software\\Tessaport \xff\xffC:\\TS\\\"x\"")

# The walk: a step in the low three bits, a name above them (see the harness).
def step(kind, name=0):
    return kind | name << 3
(corpus / "folder_walk/tree").write_bytes(bytes([
    step(0), step(3), step(0, 1), step(2), step(4), step(5, 2), step(1), step(0, 3), step(3), step(7),
    step(0, 5), step(3), step(1), step(0, 2), step(0, 4), step(6), step(2, 6)]))

# Date texts: the ISO dates omegadb writes, and short dates with times in the harness's
# locales (0 C, 1 en_US, 2 de_DE, 3 ko_KR, 4 bg_BG, 5 fr_CA).
iso = [line.split(",")[0] for line in (corpus / "price_csv/seven_columns.csv").read_text().splitlines()[1:]]
texts = [(0, iso[0]), (1, iso[2] + "T18:00"), (1, "2/29/00"), (1, "3/5/1998 12:00 PM"), (2, "05.03.1998 13:00"),
         (2, "29.02.00"), (0, "5 Mar 1998"), (3, "1998. 3. 5."), (4, "5.03.1998 г."), (5, "1998-03-05")]
for n, (locale, text) in enumerate(texts):
    (corpus / f"date_text/{n:02}").write_bytes(bytes([locale]) + text.encode())

# The xlsx harness: a whole archive (0), a sheet's XML (1), a shared-string table (2).
import zipfile
(corpus / "xlsx_reader/archive").write_bytes(b"\0" + (corpus / "zip_reader/abc.xlsx").read_bytes())
(corpus / "xlsx_reader/wide_archive").write_bytes(b"\0" + (work / "wide.xlsx").read_bytes())
with zipfile.ZipFile(corpus / "zip_reader/abc.xlsx") as archive:
    (corpus / "xlsx_reader/sheet").write_bytes(b"\1" + archive.read("xl/worksheets/sheet1.xml"))
(corpus / "xlsx_reader/strings").write_bytes(
    b"\2<sst count=\"2\"><si><t xml:space=\"preserve\"> A &amp; B </t></si>"
    b"<si><r><t>R&#xE9;</t></r><rPh><t>x</t></rPh><r><t><![CDATA[un<]]></t></r></si></sst>")
PY
ls -l corpus/*
