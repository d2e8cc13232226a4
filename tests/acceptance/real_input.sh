#!/usr/bin/env bash
# Drives the built tessaport on the demo installation with real key presses and clicks
# (xdotool) on a virtual display, as a person would, and checks what it writes.
#
#   tests/acceptance/real_input.sh BUILD_DIR [--wm openbox|none] [--imports N] [--shots DIR]
#
# Every wait is on an event (a window mapped or gone, a line the program reports), each
# with a limit long enough for a loaded machine; no step sleeps for a fixed time. A failure
# says what was awaited, the program's last reported states and where its screenshot is.
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
started=$SECONDS
step() { echo "real_input ($wm) $((SECONDS - started))s: $*"; }


python3 demo/make_demo.py --omegadb "$bin/omegadb" --out "$build/demo" >/dev/null
data=$build/demo/Omega/Data/USStock

start_display "$wm"

# The program, reporting its focus, imports and counts on its standard output.
# Dates are typed in the short format of the locale both programs are given (M/d/yyyy).
export QT_QPA_PLATFORM=xcb TESSAPORT_REGISTRY=$build/demo/registry.reg TESSAPORT_REPORT_STATE=1
dates_locale=(env LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8)
"${dates_locale[@]}" "$bin/tessaport" >"$work/app.log" 2>"$work/app.err" &
app=$!
pids+=($app)

# gone NAME: waits until no window of that name is visible.
gone() {
  until_true 60 sh -c "! xdotool search --onlyvisible --name '^$1\$' >/dev/null 2>&1"
}
count_of() { grep -cxF "$1" "$work/app.log" || true; }
# reported TEXT [COUNT]: waits until the program has reported that line COUNT times.
reported() {
  local count=${2:-1}
  until_true 60 sh -c "[ \$(grep -cxF '$1' '$work/app.log') -ge $count ]"
}
last_focus() { grep '^focus ' "$work/app.log" | tail -1 | cut -d' ' -f2; }
focus_is() { [ "$(last_focus)" = "$1" ]; }
# tab_to NAME: Tab until the focus reaches the control NAME.
tab_to() {
  local i
  for i in $(seq 1 20); do
    focus_is "$1" && return 0
    local before; before=$(grep -c '^focus ' "$work/app.log")
    xdotool key Tab
    until_true 10 sh -c "[ \$(grep -c '^focus ' '$work/app.log') -gt $before ]" || true
  done
  focus_is "$1" || fail "Tab did not reach $1 (focus is $(last_focus))"
}
keys() { xdotool key --delay 30 "$@"; }
type_text() { xdotool type --delay 20 "$1"; }

main=$(find_window Tessaport) || fail "the main window did not show"
[ -n "$main" ] || fail "the main window did not show"
step "main window $main"
# The window takes the keyboard when it shows, with or without a window manager.
until_true 60 focus_is symbolEdit || fail "the symbol box has no focus at the start (focus is $(last_focus))"

symbol=AMBR first=1/4/2000 last=12/29/2000
pattern=$work/out/ambr.pat
mkdir -p "$work/out"

# The symbol, and Enter searches for it.
type_text "$symbol"
keys Return
until_true 60 grep -qx 'focus symbolEdit' "$work/app.log" || fail "no focus in the symbol box"

# The pattern file, typed into the real save dialog: File > Select Pattern File.
menu File f p
dialog=$(find_window "Select the Pattern Filename") || fail "the save dialog did not show"
[ -n "$dialog" ] || fail "the save dialog did not show"
type_text "$pattern"
keys Return
gone "Select the Pattern Filename" || fail "the save dialog stayed"
until_true 60 sh -c "grep '^focus ' '$work/app.log' | tail -1 | grep -qx 'focus symbolEdit'" \
  || fail "the focus did not come back to the symbol box after the dialog (focus is $(last_focus))"
step "pattern file chosen"

# The dates, and open interest ticked.
tab_to firstDateEdit
keys ctrl+a; type_text "$first"
tab_to lastDateEdit
keys ctrl+a; type_text "$last"
tab_to openInterestCheck
keys space

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
[ -n "$shots" ] && import -window root "$shots/after-import-$wm.png"

for n in $(seq 2 "$imports"); do import_once "$n"; done
cmp -s "$pattern" "$work/command.pat" || fail "the file of the last import differs"
step "$imports imports, no progress window left"

# List mode from the Last Date box: the focus goes to the mask box.
tab_to lastDateEdit
menu Mode m Down Return
until_true 60 focus_is symbolEdit || fail "after the mode switch the focus is on $(last_focus)"
reported "entries 1" || true
keys ctrl+a
type_text "A"
expected=$("$bin/omegadb" list "$data" | awk '$1 ~ /^A/' | wc -l)
reported "entries $expected" || fail "the count for mask A is not $expected (last: $(grep '^entries' "$work/app.log" | tail -1))"
step "list mode, mask A: $expected entries"
# The first line picked from the keyboard.
tab_to securityList
keys Down
[ -n "$shots" ] && { sleep 0.3; import -window root "$shots/list-mode-$wm.png"; }

# Help > About, and its Close button from the keyboard.
menu Help h a
about=$(find_window About) || fail "the About box did not show"
[ -n "$about" ] || fail "the About box did not show"
[ -n "$shots" ] && { sleep 0.3; import -window root "$shots/about-$wm.png"; }
xdotool windowfocus --sync "$about" 2>/dev/null || true
keys alt+c
gone About || fail "the About box did not close"

# File > Exit, and the process ends.
xdotool windowfocus --sync "$main" 2>/dev/null || true
menu File f x
until_true 60 sh -c "! kill -0 $app 2>/dev/null" || fail "the program did not end after File > Exit"
wait "$app" 2>/dev/null || true
step "ended after File > Exit"

# Export Listed Securities over 1,000 securities, one file each, interrupted once from the
# menu by mouse and once by Alt+I, I. The database is made once per build; its histories are
# long enough (6,000 records each) that a run lasts well beyond the clicks that stop it.
many=$build/test-many
if [ "$(cat "$many/.count" 2>/dev/null)" != "1000 6000" ]; then
  many_securities "$bin/omegadb" "$many" 1000 6000 || fail "omegadb could not make the 1,000-security database"
  step "made the 1,000-security database"
fi
# An installation of its own whose preferred data directory is that database.
mkdir -p "$work/many/Omega/Program" "$work/many/Omega/Data"
ln -s "$many/db" "$work/many/Omega/Data/USStock"
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ts32.exe]\r\n"Path"="%s"\r\n' \
  "$work/many/Omega/Program" >"$work/many/registry.reg"
: >"$work/app.log"
TESSAPORT_REGISTRY=$work/many/registry.reg "$bin/tessaport" >"$work/app.log" 2>"$work/app.err" &
app=$!
pids+=($app)
main=$(find_window Tessaport) || fail "the main window did not show again"
until_true 60 focus_is symbolEdit || fail "the symbol box has no focus at the second start"
menu Mode m Down Return
until_true 60 focus_is symbolEdit || fail "after the mode switch the focus is on $(last_focus)"
keys ctrl+a
type_text S
reported "entries 1000" || fail "the list did not show the 1,000 securities"
out=$work/each
# open_import_menu click|keys KEY: opens the Import menu by a click on the menu bar, waiting
# for it on the screen ($menu, $MENU_HEIGHT), or by Alt+I, waiting until it has the keyboard,
# then pressing KEY.
open_import_menu() {
  if [ "$1" = keys ]; then
    menu Import i "${@:2}"
    return
  fi
  xdotool search --onlyvisible --pid "$app" 2>/dev/null | sort >"$work/before"
  xdotool mousemove --window "$main" 55 10 click 1
  until_true 60 sh -c "xdotool search --onlyvisible --pid $app 2>/dev/null | sort | comm -13 '$work/before' - | grep -q ." \
    || fail "a click on Import opened no menu"
  menu=$(xdotool search --onlyvisible --pid "$app" 2>/dev/null | sort | comm -13 "$work/before" - | head -1)
  eval "$(xdotool getwindowgeometry --shell "$menu" | sed 's/^/MENU_/')"
}
# click_menu_item Y: points at the item at height Y of the open menu as a hand does, moving
# a little over it (a menu takes an item only after the pointer has moved on it), and clicks.
click_menu_item() {
  xdotool mousemove --sync --window "$menu" 40 "$1"
  xdotool mousemove_relative 2 0
  xdotool mousemove_relative -- -2 0
  xdotool click 1
}

menu_open() { xdotool search --onlyvisible --pid "$app" 2>/dev/null | grep -qx "$menu"; }
export_dialog_shown() { xdotool search --onlyvisible --name '^Export Listed Securities$' >/dev/null 2>&1; }
dialog_or_menu_gone() { export_dialog_shown || ! menu_open; }
# drawn FILE WINDOW: a screenshot of the window in FILE, once it shows more than one colour.
drawn() { import -window "$2" "$1" 2>/dev/null && [ "$(convert "$1" -format %k info:)" -gt 1 ]; }

# export_interrupted N HOW: the export into $out, interrupted by `click` or `keys`.
export_interrupted() {
  local n=$1 how=$2
  # Right after the list is filled the search may still be settling: a menu that took no
  # click (still open, or closed with no dialog) is closed and opened again.
  local attempt
  for attempt in 1 2 3; do
    open_import_menu click
    click_menu_item $((MENU_HEIGHT - 12))
    until_true 20 dialog_or_menu_gone || true
    # A menu that closed took the click: its dialog may take a moment more to show.
    if ! menu_open && until_true 30 export_dialog_shown; then break; fi
    [ "$attempt" -lt 3 ] || fail "the export dialog did not show after three clicks on Export Listed Securities"
    menu_open && keys Escape
    until_true 60 eval '! menu_open' || fail "the Import menu did not close"
  done
  until_true 60 sh -c "grep '^focus ' '$work/app.log' | tail -1 | grep -q 'focus shapeButton'" \
    || fail "the export dialog has no focus (focus is $(last_focus))"
  if [ "$n" -eq 1 ]; then
    xdotool key --delay 150 alt+f alt+o
    until_true 60 focus_is outputEdit || fail "Alt+O did not reach the output box"
    type_text "$out"
  fi
  # The dialog opens again with the choices of the run before.
  keys Return
  # From the second run on, the files of the run before are there: asked once, replace them.
  if [ "$n" -gt 1 ]; then
    until_true 60 sh -c "[ \$(xdotool search --onlyvisible --pid $app 2>/dev/null | wc -l) -eq 2 ]" \
      || fail "no question before export $n replaced the files of the run before"
    keys alt+y
  fi
  reported "importing 1" "$n" || fail "export $n did not start"
  local progress
  progress=$(find_window "Exporting Listed Securities") || fail "no progress window in export $n"
  until_true 60 sh -c "[ \$(ls '$out' 2>/dev/null | wc -l) -ge $((n * 40)) ]" || fail "export $n wrote too little"
  if [ "$n" -eq 1 ]; then
    # The progress window lies over the main window and has been drawn.
    eval "$(xdotool getwindowgeometry --shell "$main" | sed 's/^/MAIN_/')"
    eval "$(xdotool getwindowgeometry --shell "$progress" | sed 's/^/BAR_/')"
    local cx=$((BAR_X + BAR_WIDTH / 2)) cy=$((BAR_Y + BAR_HEIGHT / 2))
    [ $cx -gt "$MAIN_X" ] && [ $cx -lt $((MAIN_X + MAIN_WIDTH)) ] && [ $cy -gt "$MAIN_Y" ] \
      && [ $cy -lt $((MAIN_Y + MAIN_HEIGHT)) ] || fail "the progress window is not over the main window"
    until_true 60 drawn "$work/progress.png" "$progress" || fail "the progress window stayed one colour"
    [ -n "$shots" ] && cp "$work/progress.png" "$shots/export-progress-$wm.png"
  fi
  # Timed from the click on the item, or from Alt+I: the time is reported, not judged (it
  # depends on the machine's load); what must hold is that the run ended before its end.
  local t0
  if [ "$how" = click ]; then
    open_import_menu click
    t0=$(date +%s%N)
    click_menu_item $((MENU_HEIGHT / 2 - 1))
  else
    t0=$(date +%s%N)
    open_import_menu keys i
  fi
  reported "importing 0" "$n" || fail "export $n was not interrupted"
  local took=$((($(date +%s%N) - t0) / 1000000))
  step "export $n interrupted ($how) after $(ls "$out" | wc -l) files, in $took ms"
  [ "$(ls "$out" | wc -l)" -lt 1000 ] || fail "export $n ran to its end: Interrupt Import did not stop it"
  ! xdotool search --onlyvisible --name '^Exporting Listed Securities$' >/dev/null 2>&1 \
    || fail "the progress window stayed after export $n"
  # The message says it was interrupted; Return closes it.
  until_true 60 sh -c "[ \$(xdotool search --onlyvisible --pid $app 2>/dev/null | wc -l) -eq 2 ]" \
    || fail "no message after export $n"
  keys Return
  until_true 60 sh -c "[ \$(xdotool search --onlyvisible --pid $app 2>/dev/null | wc -l) -eq 1 ]" \
    || fail "the message after export $n stayed"
  # Every file is whole and what tessaport-import writes; no temporary file is left.
  [ -z "$(ls -A "$out" | grep -v '\.pat$')" ] || fail "export $n left $(ls -A "$out" | grep -v '\.pat$' | head -3)"
  local written
  written=$(ls "$out" | sed 's/\.pat$//')
  rm -rf "$work/reference"
  "$bin/tessaport-import" -q --data "$many/db" --out-dir "$work/reference" $written || fail "tessaport-import failed"
  diff -r "$out" "$work/reference" >/dev/null || fail "a file of export $n differs from tessaport-import's"
}
export_interrupted 1 click
export_interrupted 2 keys
menu File f x
until_true 60 sh -c "! kill -0 $app 2>/dev/null" || fail "the program did not end after File > Exit"
wait "$app" 2>/dev/null || true
step "passed in $((SECONDS - started)) s"
