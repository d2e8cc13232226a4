#!/usr/bin/env bash
# Compares a whole scan with `find DATA -name master.omg` on the same warm tree.
# Usage: bench/scan/run_bench.sh [BUILD_DIR] [WORK_DIR]
# BUILD_DIR holds bin/scan_bench and bin/libQv2Omg32.so (default: build-scan).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build-scan}")
work=${2:-$(mktemp -d /var/tmp/scan-bench.XXXXXX)}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export TESSAPORT_PROGRAM_DIR="$build/bin"

cmake --build "$build" --target scan_bench >/dev/null
[ -d "$work/Data" ] || "$build/bin/scan_bench" generate "$work"

# Warm the tree, then take the best of five.
find "$work/Data" -name master.omg >/dev/null
best=
for _ in 1 2 3 4 5; do
  t0=$(date +%s%N)
  find "$work/Data" -name master.omg >/dev/null
  t1=$(date +%s%N)
  ms=$(( (t1 - t0) / 1000 ))
  if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
done
printf 'find: best %d.%01d ms over 5 runs\n' $((best / 1000)) $(((best % 1000) / 100))

"$build/bin/scan_bench" run "$work" 5
echo "tree: $work (remove it when done)"
