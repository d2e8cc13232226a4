#!/usr/bin/env bash
# Drives the Windows tessaport.exe from the zip, unpacked into a fresh folder, under Wine on
# a virtual display with real key presses (xdotool), as a person would: the installation
# written into the registry with `wine reg add`, a symbol found, the pattern file chosen in
# the file dialog, an import compared with the Linux import's bytes, list mode with a mask,
# View starting viewer.exe, File > Exit.
#
#   tests/acceptance/real_input_wine.sh ZIP [--wm openbox|none] [--linux BUILD_DIR] [--shots DIR]
#
# The Linux omegadb makes the demo installation and the Linux tessaport-import the file to
# compare with (BUILD_DIR, default build/; scripts/test-windows builds both into
# build-windows/linux and names that). Wine runs in a prefix of its own under
# build-windows/, ended with the test, through its 64-bit loader on a machine that runs no
# 32-bit programs (scripts/wine-env). Every wait is on an event, each with a limit long
# enough for a loaded machine; a failure says what was awaited, the program's last reported
# states and where its screenshot is.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

usage="usage: real_input_wine.sh ZIP [--wm openbox|none] [--linux BUILD_DIR] [--shots DIR]"
zip=$(realpath "${1:?$usage}")
shift
wm=openbox linux=$root/build shots=
while [ $# -gt 0 ]; do
  case $1 in
    --wm) wm=$2; shift 2 ;;
    --linux) linux=$(realpath "$2"); shift 2 ;;
    --shots) shots=$(realpath -m "$2"); mkdir -p "$shots"; shift 2 ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
done
for tool in omegadb tessaport-import; do
  [ -x "$linux/bin/$tool" ] || { echo "real_input_wine: no $linux/bin/$tool (cmake --build $linux --target $tool)" >&2; exit 2; }
done

export WINEPREFIX=$root/build-windows/wine-prefix-display WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$root/build-windows"  # Wine makes the prefix itself, but not the folders above it
source scripts/wine-env
wine_setup "$root/build-windows/wine-bin"
export TESSAPORT_REPORT_STATE=1
# Dates are typed in the short format of the locale both imports are given (M/d/yyyy).
dates_locale=(env LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8)
unset QT_QPA_PLATFORM

work=$(mktemp -d)
pids=()
app=
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  # The prefix is ours: its server and whatever still runs in it end with the test.
  wineserver -k 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
shot() { [ -z "$shots" ] || import -window root "$shots/win-$1-$wm.png" 2>/dev/null || true; }
fail() {
  report_failure "real_input_wine ($wm)" "$*" "$work/app.log" \
    "${shots:-$root/build-windows/real-input-failures}/win-failure-$wm.png"
  echo "--- program output" >&2; cat "$work/app.log" "$work/app.err" >&2 2>/dev/null || true
  exit 1
}
source tests/acceptance/display.sh
started=$SECONDS
step() { echo "real_input_wine ($wm) $((SECONDS - started))s: $*"; }


# The zip, unpacked into a fresh folder: nothing else of the build is used on the Windows side.
program=$work/unpacked
mkdir -p "$program"
(cd "$program" && cmake -E tar xf "$zip")
program=$(echo "$program"/tessaport-*-windows-x86_64)
[ -f "$program/tessaport.exe" ] || fail "the zip holds no tessaport-*-windows-x86_64/tessaport.exe"

python3 demo/make_demo.py --omegadb "$linux/bin/omegadb" --out "$work/demo" >/dev/null
omega=$work/demo/Omega
data=$omega/Data/USStock

start_display "$wm"

# The prefix, made once; the installation as TradeStation's installer leaves it, in the
# registry's 32-bit view.
# A prefix left half-made by a run that was stopped is made again from nothing.
if [ ! -f "$WINEPREFIX/system.reg" ] || ! wine reg query 'HKLM\Software' >/dev/null 2>&1; then
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log" >&2; fail "wineboot could not make $WINEPREFIX (its output above)"; }
fi
key='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\ts32.exe'
wine reg add "$key" /v Path /t REG_SZ /d "$(winepath -w "$omega/Program")" /reg:32 /f >/dev/null 2>&1 ||
  fail "wine reg add failed"
wine reg query "$key" /v Path /reg:32 2>/dev/null | grep -qF "Program" || fail "the registry key was not written"
step "$WINE_LOADER_NOTE"
step "registry: $(wine reg query "$key" /v Path /reg:32 2>/dev/null | tr -d '\r' | grep -F Path | sed 's/^ *//')"

"${dates_locale[@]}" wine "$program/tessaport.exe" >"$work/app.log" 2>"$work/app.err" &
app=$!
pids+=($app)

no_window() { ! xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
gone() { until_true 60 no_window "$1"; }
# The program's report lines, without the CR its C library adds.
report() { tr -d '\r' < "$work/app.log"; }
count_of() { report | grep -cxF "$1" || true; }
at_least() { [ "$(count_of "$1")" -ge "$2" ]; }
reported() { until_true 60 at_least "$1" "${2:-1}"; }
last_focus() { report | grep '^focus ' | tail -1 | cut -d' ' -f2; }
focus_is() { [ "$(last_focus)" = "$1" ]; }
focus_moves() { [ "$(report | grep -c '^focus ')" -gt "$1" ]; }
tab_to() {
  local i before
  for i in $(seq 1 20); do
    focus_is "$1" && return 0
    before=$(report | grep -c '^focus ')
    xdotool key Tab
    until_true 10 focus_moves "$before" || true
  done
  focus_is "$1" || fail "Tab did not reach $1 (focus is $(last_focus))"
}
alive() { kill -0 "$app" 2>/dev/null; }
x_focus_on() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
# activate WINDOW: asks for the window to take the keyboard, as a click on its title bar
# does, again each half second until it has it (a request made while another window is
# going away may be passed over).
activate() {
  local end=$((SECONDS + 60))
  until x_focus_on "$1"; do
    [ $SECONDS -lt $end ] || fail "window $1 does not take the keyboard"
    if [ "$wm" = openbox ]; then
      xdotool windowactivate "$1" 2>/dev/null || true
    else
      xdotool windowfocus "$1" 2>/dev/null || true
    fi
    sleep 0.5
  done
}
keys() { xdotool key --delay 60 "$@"; }
type_text() { xdotool type --delay 40 "$1"; }

main=$(find_window Tessaport) || true
[ -n "$main" ] || fail "the main window did not show"
until_true 60 focus_is txtSymbol || fail "the symbol box has no focus at the start (focus is $(last_focus))"
step "main window $main, focus in the symbol box"
shot 1-started

symbol=AMBR first=1/4/2000 last=12/29/2000
type_text "$symbol"
keys Return
until_true 60 focus_is txtSymbol || fail "no focus in the symbol box"
sleep 0.5  # the information is painted; nothing to wait on from outside
shot 2-symbol
step "symbol $symbol searched"

# The pattern file, typed into the file dialog: File > Select Pattern File.
mkdir -p "$work/out"
pattern=$work/out/ambr.pat
menu File f p
dialog=$(find_window "Select the Pattern Filename") || true
[ -n "$dialog" ] || fail "the file dialog did not show"
sleep 0.5
shot 3-file-dialog
type_text "$(winepath -w "$pattern")"
keys Return
gone "Select the Pattern Filename" || fail "the file dialog stayed"
# Under Wine the X input focus stays off the window after its file dialog closes (Qt's
# focus is back on the symbol box): a click on the title bar, as a person would do.
activate "$main"
until_true 60 focus_is txtSymbol || fail "the focus did not come back to the symbol box (focus is $(last_focus))"
# The Pattern File label shows the name as Windows writes it.
shown_as() { [ "$(report | grep '^pattern-file ' | tail -1 | cut -d' ' -f2-)" = "$1" ]; }
until_true 60 shown_as "$(winepath -w "$pattern")" ||
  fail "the Pattern File label shows $(report | grep '^pattern-file ' | tail -1), not $(winepath -w "$pattern")"
step "pattern file chosen: $(winepath -w "$pattern")"

tab_to txtFirstDate
keys ctrl+a; type_text "$first"
tab_to txtLastDate
keys ctrl+a; type_text "$last"
tab_to chbOpenInt
keys space

menu Import i b
reported "importing 0" || fail "the import did not end"
[ -f "$pattern" ] || fail "no pattern file was written"
"${dates_locale[@]}" "$linux/bin/tessaport-import" --data "$data" --from "$first" --to "$last" --open-interest -o "$work/linux.pat" "$symbol" \
  >/dev/null 2>&1 || fail "the Linux tessaport-import failed"
cmp -s "$pattern" "$work/linux.pat" || fail "the file of Begin Import differs from the Linux import's"
step "Begin Import wrote $(stat -c %s "$pattern") bytes, the same as the Linux import's"
shot 4-imported

# View starts viewer.exe on the pattern file.
menu File f v
viewer=$(find_window "ambr.pat - Pattern File Viewer") || true
[ -n "$viewer" ] || fail "View did not start viewer.exe on the pattern file"
sleep 1
shot 5-viewer
step "viewer.exe shows ambr.pat"
activate "$viewer"
keys alt+F4
gone "ambr.pat - Pattern File Viewer" || fail "the viewer did not close"

# List mode from the Last Date box; the mask "A".
activate "$main"
tab_to txtLastDate
menu Mode m Down Return
until_true 60 focus_is txtSymbol || fail "after the mode switch the focus is on $(last_focus)"
keys ctrl+a
type_text "A"
expected=$("$linux/bin/omegadb" list "$data" | awk '$1 ~ /^A/' | wc -l)
reported "entries $expected" || fail "the count for mask A is not $expected (last: $(report | grep '^entries' | tail -1))"
tab_to List1
keys Down
sleep 0.5
shot 6-list-mode
step "list mode, mask A: $expected entries"

menu File f x
until_true 60 eval '! alive' || fail "the program did not end after File > Exit"
wait "$app" 2>/dev/null || true
step "ended after File > Exit; passed in $((SECONDS - started)) s"
