#!/usr/bin/env bash
# Opens every window of the built tessaport at QT_SCALE_FACTOR=2 on a 1024x768 screen under
# openbox, by real key presses, and checks that each lies within the screen with its frame
# and title bar: the main window in single and list mode, the file dialog, the viewer, the
# export dialog, the data-folder scanner, help and About. One screenshot per window.
#
#   tests/acceptance/scale_fit.sh BUILD_DIR [--shots DIR]
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
start_program "at the start" "$bin/tessaport"
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
  shot "scale2-$3"
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

fits "the main window (single mode)" "$main" main-single

# A pattern file written by Begin Import, for the viewer.
xdotool type --delay 20 AMBR
keys Return
opens "Select the Pattern Filename" file-dialog menu File f p
choose_pattern "$work/ambr.pat"
menu Import i b
reported "importing 0" || fail "the import did not end"
opens "ambr.pat - Pattern File Viewer" viewer menu File f v

opens "Omega Research datafile folders" scanner menu File f Home Return
opens "Tessaport Help - .*" help keys F2
opens About about menu Help h a

list_mode
mask_a "$bin/omegadb" "$build/demo/Omega/Data/USStock"
fits "the main window (list mode)" "$main" main-list
opens "Export Listed Securities" export-dialog menu Import i e

exit_program
step passed
