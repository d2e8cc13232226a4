#!/usr/bin/env bash
# Drives the built tessaport on the demo installation with real key presses and clicks
# (xdotool) on a virtual display, as a person would, and checks what it writes.
#
#   tests/acceptance/real_input.sh BUILD_DIR [--wm openbox|none] [--imports N] [--shots DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."

build=$(realpath "${1:?usage: real_input.sh BUILD_DIR [--wm openbox|none] [--imports N] [--shots DIR]}")
shift
wm=openbox imports=20 shots=
while [ $# -gt 0 ]; do
  case $1 in
    --wm) wm=$2; shift 2 ;;
    --imports) imports=$2; shift 2 ;;
    --shots) shots=$(realpath -m "$2"); mkdir -p "$shots"; shift 2 ;;
    *) echo "real_input.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done

bin=$build/bin
source tests/acceptance/display.sh
begin_test "real_input ($wm)" "${shots:-$build/real-input-failures}/failure-$wm.png"
python3 demo/make_demo.py --omegadb "$bin/omegadb" --out "$build/demo" >/dev/null
data=$build/demo/Omega/Data/USStock
start_display "$wm"

# The program, reporting its focus, imports and counts on its standard output.
# Dates are typed in the short format of the locale both programs are given (M/d/yyyy).
export QT_QPA_PLATFORM=xcb TESSAPORT_REGISTRY=$build/demo/registry.reg TESSAPORT_REPORT_STATE=1
dates_locale=(env LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8)
start_program "at the start" "${dates_locale[@]}" "$bin/tessaport"
step "main window $main"

symbol=AMBR first=1/4/2000 last=12/29/2000
pattern=$work/out/ambr.pat
mkdir -p "$work/out"
choose_pattern "$pattern"
step "pattern file chosen"
import_choices "$symbol" "$first" "$last"

# Import > Begin Import, by keyboard, from the open-interest box.
import_once() {
  local n=$1
  menu Import i b
  reported "importing 0" "$n" || fail "import $n did not end"
  until_true 60 focus_is openInterestCheck || fail "after import $n the focus is on $(last_focus), not openInterestCheck"
  # Only the main window is left on the screen: no progress window.
  local visible
  visible=$(xdotool search --onlyvisible --pid "$app" 2>/dev/null | wc -l)
  [ "$visible" -eq 1 ] || fail "after import $n, $visible windows of the program are visible"
}
import_once 1
[ -f "$pattern" ] || fail "no pattern file was written"
"${dates_locale[@]}" "$bin/tessaport-import" --data "$data" --from "$first" --to "$last" --open-interest -o "$work/command.pat" "$symbol" \
  >/dev/null 2>&1 || fail "tessaport-import failed"
cmp -s "$pattern" "$work/command.pat" || fail "the window's file differs from tessaport-import's"
step "import matches tessaport-import, focus back on openInterestCheck"
shot "after-import-$wm"

for n in $(seq 2 "$imports"); do import_once "$n"; done
cmp -s "$pattern" "$work/command.pat" || fail "the file of the last import differs"
step "$imports imports, no progress window left"

exit_program
step "ended after File > Exit"

# Export Listed Securities over 1,000 securities, interrupted once from the menu by mouse
# and once by Alt+I, I. The histories are long enough (6,000 records each) that a run lasts
# well beyond the keys that stop it. The installation's registry names the many's folder.
many_securities "$bin/omegadb" "$build/test-many" 1000 6000 || fail "omegadb could not make the 1,000-security database"
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ts32.exe]\r\n"Path"="%s"\r\n' \
  "$work/many/Omega/Program" >"$work/many/registry.reg"
TESSAPORT_REGISTRY=$work/many/registry.reg start_program "at the second start" "$bin/tessaport"
list_mode
keys ctrl+a
type_text S
reported "entries 1000" || fail "the list did not show the 1,000 securities"
out=$work/each out_typed=$work/each export_total=1000 export_least=40 import_tool=$bin/tessaport-import
export_stopped 1 click click
export_stopped 2 click keys
exit_program
step "passed"
