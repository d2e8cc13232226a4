#!/usr/bin/env bash
# Export benchmarks, run by hand: bench/export/run_bench.sh BUILD_DIR [SCRATCH]
# Makes the databases once, then prints the command pairs to time with a whole-program
# timer (A against B), with peak memory for the two merges. cpu_medians.py RUNS 'A' 'B'
# times a pair by processor time, which a busy machine disturbs least.
set -euo pipefail
build=$(realpath "${1:-build}")
scratch=$(realpath -m "${2:-$build/bench-export}")
here=$(dirname "$(realpath "$0")")
/usr/bin/python3 "$here/make_databases.py" "$build/bin" "$scratch"
"$build/bin/omegadb" dump "$scratch/single" S000 > "$scratch/single.csv"
bin=$build/bin
cat <<PAIRS
# 1. one security of 60,000 records to xlsx, against Python's XlsxWriter (constant memory)
A: $bin/tessaport-import --data $scratch/single --format xlsx -o $scratch/single.xlsx S000
B: /usr/bin/python3 $here/xlsxwriter_cells.py $scratch/single.csv $scratch/single-py.xlsx
# 1b. the xlsx writer's own floor: the same cells from memory, nothing else
A: $bin/tessaport-import --data $scratch/single --format xlsx -o $scratch/single.xlsx S000
B: $build/bench/export_straight_write single 60000 $scratch/single-c.xlsx
# 2. wide merge of 500 securities x 10,000 records, close only, against the same cells straight
#    from memory (the CSV pair writes byte-identical files: cmp wide.csv straight.csv)
A: $bin/tessaport-import --data $scratch/wide10000 --merge wide --fields close --format xlsx -o $scratch/wide.xlsx --all
B: $build/bench/export_straight_write xlsx 500 10000 $scratch/straight.xlsx
A: $bin/tessaport-import --data $scratch/wide10000 --merge wide --fields close --format csv -o $scratch/wide.csv --all
B: $build/bench/export_straight_write csv 500 10000 $scratch/straight.csv
# 3. peak memory of the xlsx merge at 1,000 and 10,000 records per security
A: $bin/tessaport-import --data $scratch/wide1000 --merge wide --fields close --format xlsx -o $scratch/wide1000.xlsx --all
# 4. peak memory of a 1,048,575-row xlsx against the 60,000-row one
A: $bin/tessaport-import --data $scratch/tall --format xlsx -o $scratch/tall.xlsx S000
B: $bin/tessaport-import --data $scratch/single --format xlsx -o $scratch/single.xlsx S000
# 5. the deflate levels 1 to 6 for the single security: size and median processor time
A: $build/bench/export_straight_write levels 60000 $scratch
PAIRS
