#!/usr/bin/env bash
# Opens every window of the built tessaport at QT_SCALE_FACTOR=2 on a 1024x768 screen under
# openbox, by real key presses, and checks that each lies within the screen with its frame
# and title bar: the main window in single and list mode, the file dialog, the viewer, the
# export dialog, the data-folder scanner, help and About. One screenshot per window.
#
#   tests/acceptance/scale_fit.sh BUILD_DIR [--shots DIR]
#
# Every wait is on an event, each with a limit long enough for a loaded machine.
set -euo pipefail
cd "$(dirname "$0")/../.."

build=$(realpath "${1:?usage: scale_fit.sh BUILD_DIR [--shots DIR]}")
shift
shots=
[ "${1:-}" = --shots ] && { shots=$(realpath -m "$2"); mkdir -p "$shots"; }
bin=$build/bin
source tests/acceptance/display.sh
begin_test scale_fit "${shots:-$build/real-input-failures}/failure-scale.png"

python3 demo/make_demo.py --omegadb "$bin/omegadb" --out "$build/demo" >/dev/null || fail "the demo installation could not be made"
start_display openbox
export QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 TESSAPORT_REGISTRY=$build/demo/registry.reg TESSAPORT_REPORT_STATE=1
"$bin/tessaport" >"$work/app.log" 2>"$work/app.err" &
app=$!
pids+=($app)

count_of() { grep -cxF "$1" "$work/app.log" || true; }
reported() { until_true 60 sh -c "[ \$(grep -cxF '$1' '$work/app.log') -ge ${2:-1} ]"; }
last_focus() { grep '^focus ' "$work/app.log" | tail -1 | cut -d' ' -f2; }
focus_is() { [ "$(last_focus)" = "$1" ]; }
keys() { xdotool key --delay 30 "$@"; }
gone() { until_true 60 sh -c "! xdotool search --onlyvisible --name '^$1\$' >/dev/null 2>&1"; }
# The window manager has framed the window: its frame's extents are set.
framed() { xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -q '='; }

geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'
}
# fits NAME ID SHOT: the window with its frame lies within the screen; a screenshot of it.
fits() {
  local name=$1 id=$2 x y w h left right top bottom
  until_true 60 framed "$id" || fail "$name: the window manager did not frame it"
  # A window may move or resize itself once more after it shows: read until two looks agree.
  local before= now
  until_true 60 eval 'now=$(geometry "$id"); [ "$now" = "$before" ] || { before=$now; sleep 0.2; false; }' ||
    fail "$name: its geometry did not settle"
  read -r x y w h <<<"$now"
  IFS=', ' read -r left right top bottom < <(xprop -id "$id" _NET_FRAME_EXTENTS | sed 's/.*= *//')
  local fx=$((x - left)) fy=$((y - top)) fw=$((w + left + right)) fh=$((h + top + bottom))
  echo "scale_fit: $name at ${fx},${fy} ${fw}x${fh} with its frame"
  [ -n "$shots" ] && import -window root "$shots/scale2-$3.png"
  [ $fx -ge 0 ] && [ $fy -ge 0 ] && [ $((fx + fw)) -le 1024 ] && [ $((fy + fh)) -le 768 ] ||
    fail "$name lies at ${fx},${fy} ${fw}x${fh} with its frame, not within the 1024x768 screen"
}
# opens NAME SHOT COMMAND...: COMMAND opens the window NAME; checks it fits; Alt+F4 (the
# window manager's close) closes it.
opens() {
  local name=$1 shot=$2 id; shift 2
  "$@"
  id=$(find_window "$name") || fail "$name did not show"
  fits "$name" "$id" "$shot"
  xdotool windowactivate --sync "$id" 2>/dev/null || true
  keys alt+F4
  gone "$name" || fail "$name did not close on Alt+F4"
}

main=$(find_window Tessaport) || fail "the main window did not show"
until_true 60 focus_is symbolEdit || fail "the symbol box has no focus at the start"
fits "the main window (single mode)" "$main" main-single

# A pattern file written by Begin Import, for the viewer.
xdotool type --delay 20 AMBR
keys Return
opens "Select the Pattern Filename" file-dialog menu File f p
menu File f p
find_window "Select the Pattern Filename" >/dev/null || fail "the file dialog did not show"
xdotool type --delay 20 "$work/ambr.pat"
keys Return
gone "Select the Pattern Filename" || fail "the file dialog stayed"
until_true 60 focus_is symbolEdit || fail "the focus did not come back after the file dialog"
menu Import i b
reported "importing 0" || fail "the import did not end"
opens "ambr.pat - Pattern File Viewer" viewer menu File f v

opens "Omega Research datafile folders" scanner menu File f Home Return
opens "Tessaport Help - .*" help keys F2
opens About about menu Help h a

menu Mode m Down Return
until_true 60 focus_is symbolEdit || fail "after the mode switch the focus is on $(last_focus)"
keys ctrl+a A
expected=$("$bin/omegadb" list "$build/demo/Omega/Data/USStock" | awk '$1 ~ /^A/' | wc -l)
reported "entries $expected" || fail "the count for mask A is not $expected"
fits "the main window (list mode)" "$main" main-list
opens "Export Listed Securities" export-dialog menu Import i e

menu File f x
until_true 60 sh -c "! kill -0 $app 2>/dev/null" || fail "the program did not end after File > Exit"
echo "scale_fit: passed"
