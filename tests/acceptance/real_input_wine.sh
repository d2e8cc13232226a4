#!/usr/bin/env bash
# Drives the Windows tessaport.exe from the zip, unpacked into a fresh folder, under Wine on
# a virtual display with real key presses (xdotool), as a person would: the installation
# written into the registry with `wine reg add`, the pattern file chosen in the file dialog
# (a name with an extension of its own), then with no click a symbol typed and imported, the
# file compared with the Linux import's bytes, View starting viewer.exe, list mode with a
# mask, File > Exit; then an export of 300 securities stopped by Alt+I, I, by the progress
# window's Interrupt button and by its close button.
#
#   tests/acceptance/real_input_wine.sh ZIP [--wm openbox|none] [--linux BUILD_DIR] [--shots DIR]
#   tests/acceptance/real_input_wine.sh INSTALLED_FOLDER [...]   (in the Wine prefix holding it)
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

usage="usage: real_input_wine.sh ZIP|INSTALLED_FOLDER [--wm openbox|none] [--linux BUILD_DIR] [--shots DIR]"
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
# A path as Windows names it. winepath answers through the prefix's server, which a loaded
# machine may keep from answering: asked again until it gives one drive-letter path.
windows_path() {
  local answer attempt
  for attempt in 1 2 3 4 5; do
    answer=$(winepath -w "$1" 2>/dev/null | tr -d '\r') || true
    [[ $answer == [A-Z]:\\* && $answer != *$'\n'* ]] && { printf '%s\n' "$answer"; return 0; }
    sleep 1
  done
  echo "real_input_wine: winepath gave no Windows path for $1 (last answer: '$answer')" >&2
  return 1
}
export TESSAPORT_REPORT_STATE=1
# Dates are typed in the short format of the locale both imports are given (M/d/yyyy).
dates_locale=(env LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8)
unset QT_QPA_PLATFORM

app=
# The prefix is ours: its server and whatever still runs in it end with the test.
end_hook() { wineserver -k 2>/dev/null || true; }
shot() { [ -z "$shots" ] || import -window root "$shots/win-$1-$wm.png" 2>/dev/null || true; }
source tests/acceptance/display.sh
begin_test "real_input_wine ($wm)" "${shots:-$root/build-windows/real-input-failures}/win-failure-$wm.png"
started=$SECONDS
step() { echo "real_input_wine ($wm) $((SECONDS - started))s: $*"; }


# The zip, unpacked into a fresh folder: nothing else of the build is used on the Windows side.
# Or a program folder the installer made inside a Wine prefix (msi_wine.sh): run there.
if [ -d "$zip" ] && [[ $zip == */drive_c/* ]]; then
  program=$zip installed=1
  export WINEPREFIX=${zip%%/drive_c/*}
else
  program=$work/unpacked
  mkdir -p "$program"
  (cd "$program" && cmake -E tar xf "$zip")
  program=$(echo "$program"/tessaport-*-windows-x86_64)
fi
[ -f "$program/tessaport.exe" ] || fail "the zip holds no tessaport-*-windows-x86_64/tessaport.exe"

python3 demo/make_demo.py --omegadb "$linux/bin/omegadb" --out "$work/demo" >/dev/null
omega=$work/demo/Omega
data=$omega/Data/USStock

start_display "$wm"

# The prefix, made once; the installation as the trading platform's installer leaves it, in the
# registry's 32-bit view.
# A prefix left half-made by a run that was stopped is made again from nothing.
# (A prefix the installer's test made is that test's, and is used as it is.)
if [ -z "${installed:-}" ] && { [ ! -f "$WINEPREFIX/system.reg" ] || ! wine reg query 'HKLM\Software' >/dev/null 2>&1; }; then
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log" >&2; fail "wineboot could not make $WINEPREFIX (its output above)"; }
fi
key='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\ts32.exe'
wine reg add "$key" /v Path /t REG_SZ /d "$(windows_path "$omega/Program")" /reg:32 /f >"$work/reg.log" 2>&1 ||
  fail "wine reg add failed: $(tail -3 "$work/reg.log" | tr -d '\r')"
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
until_true 60 focus_is symbolEdit || fail "the symbol box has no focus at the start (focus is $(last_focus))"
step "main window $main, focus in the symbol box"
shot 1-started

# The pattern file first, typed into the file dialog (File > Select Pattern File) with an
# extension of its own that the dialog's type (.pat) must not be added to. From there on
# no click: the keyboard comes back to the main window by itself.
mkdir -p "$work/out"
pattern=$work/out/abrn.wk1
menu File f p
dialog=$(find_window "Select the Pattern Filename") || true
[ -n "$dialog" ] || fail "the file dialog did not show"
until_true 60 focus_is fileNameEdit || fail "the file dialog's name box has no focus (focus is $(last_focus))"
sleep 0.5  # the dialog is painted; nothing to wait on from outside (the picture only)
shot 2-file-dialog
type_text "$(windows_path "$pattern")"
keys Return
gone "Select the Pattern Filename" || fail "the file dialog stayed"
until_true 60 focus_is symbolEdit || fail "the focus did not come back to the symbol box (focus is $(last_focus))"
# The Pattern File label shows the name as typed, as Windows writes it.
shown_as() { [ "$(report | grep '^pattern-file ' | tail -1 | cut -d' ' -f2-)" = "$1" ]; }
pattern_shown=$(windows_path "$pattern") || fail "winepath could not name $pattern"
until_true 60 shown_as "$pattern_shown" ||
  fail "the Pattern File label shows '$(report | grep '^pattern-file ' | tail -1)', not 'pattern-file $pattern_shown'"
step "pattern file chosen: $pattern_shown, the keyboard back in the symbol box"

symbol=ABRN first=1/4/2000 last=12/29/2000
type_text "$symbol"
keys Return
until_true 60 focus_is symbolEdit || fail "no focus in the symbol box"
shot 3-symbol
tab_to firstDateEdit
keys ctrl+a; type_text "$first"
tab_to lastDateEdit
keys ctrl+a; type_text "$last"
tab_to openInterestCheck
keys space

menu Import i b
reported "importing 0" || fail "the import did not end"
[ -f "$pattern" ] || fail "$pattern was not written$( [ -f "$pattern.pat" ] && echo ": $pattern.pat was")"
[ ! -e "$pattern.pat" ] || fail "$pattern.pat was written beside $pattern"
"${dates_locale[@]}" "$linux/bin/tessaport-import" --data "$data" --from "$first" --to "$last" --open-interest -o "$work/linux.wk1" "$symbol" \
  >/dev/null 2>&1 || fail "the Linux tessaport-import failed"
cmp -s "$pattern" "$work/linux.wk1" || fail "the file of Begin Import differs from the Linux import's"
step "Begin Import wrote abrn.wk1, $(stat -c %s "$pattern") bytes, the same as the Linux import's"
shot 4-imported

# View starts viewer.exe on the pattern file.
menu File f v
viewer=$(find_window "abrn.wk1 - Pattern File Viewer") || true
[ -n "$viewer" ] || fail "View did not start viewer.exe on the pattern file"
sleep 1
shot 5-viewer
step "viewer.exe shows abrn.wk1"
activate "$viewer"
keys alt+F4
gone "abrn.wk1 - Pattern File Viewer" || fail "the viewer did not close"

# List mode from the Last Date box; the mask "A".
activate "$main"
tab_to lastDateEdit
menu Mode m Down Return
until_true 60 focus_is symbolEdit || fail "after the mode switch the focus is on $(last_focus)"
keys ctrl+a
type_text "A"
expected=$("$linux/bin/omegadb" list "$data" | awk '$1 ~ /^A/' | wc -l)
reported "entries $expected" || fail "the count for mask A is not $expected (last: $(report | grep '^entries' | tail -1))"
tab_to securityList
keys Down
sleep 0.5
shot 6-list-mode
step "list mode, mask A: $expected entries"

menu File f x
until_true 60 eval '! alive' || fail "the program did not end after File > Exit"
wait "$app" 2>/dev/null || true
step "ended after File > Exit"

# Export Listed Securities over 300 securities, one file each, stopped three ways: Alt+I, I
# wherever the keyboard is, the progress window's Interrupt button, and its close button.
# The database is made once, by the Linux omegadb; an installation of its own points at it.
many=$root/build-windows/test-many-300
if [ "$(cat "$many/.count" 2>/dev/null)" != "300 2000" ]; then
  many_securities "$linux/bin/omegadb" "$many" 300 2000 || fail "omegadb could not make the 300-security database"
  step "made the 300-security database"
fi
mkdir -p "$work/many/Omega/Program" "$work/many/Omega/Data"
ln -s "$many/db" "$work/many/Omega/Data/USStock"
wine reg add "$key" /v Path /t REG_SZ /d "$(windows_path "$work/many/Omega/Program")" /reg:32 /f >"$work/reg.log" 2>&1 ||
  fail "wine reg add failed: $(tail -3 "$work/reg.log" | tr -d '\r')"
: >"$work/app.log"
wine "$program/tessaport.exe" >"$work/app.log" 2>"$work/app.err" &
app=$!
pids+=($app)
main=$(find_window Tessaport) || true
[ -n "$main" ] || fail "the main window did not show again"
until_true 60 focus_is symbolEdit || fail "the symbol box has no focus at the second start (focus is $(last_focus))"
menu Mode m Down Return
until_true 60 focus_is symbolEdit || fail "after the mode switch the focus is on $(last_focus)"
# List mode opens on the mask that shows all.
reported "entries 300" || fail "the list did not show the 300 securities (last: $(report | grep '^entries' | tail -1))"
out=$work/each
mkdir -p "$out"
shown() { [ "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l)" -ge "${2:-1}" ]; }
# The files the run in hand has written (the run before's are older than its mark).
written() { find "$out" -name '*.pat' -newer "$work/mark" | wc -l; }

# answer KEY WHAT: KEY answers the message box over the main window, again while it stays (a
# box shown under Wine may take the keyboard a moment after it is mapped).
answer() {
  local attempt
  for attempt in 1 2 3 4 5 6; do
    keys "$1"
    until_true 10 eval '! shown Tessaport 2' && return 0
  done
  fail "$2 stayed after $1"
}
# export_stopped N HOW: export N into $out, stopped by `keys`, `button` or `close`.
export_stopped() {
  local n=$1 how=$2 progress before
  # Under Wine a menu may report itself shown a moment before it takes keys: the item's
  # key again while the menu stays open (a letter the dialog ignores if it was taken).
  menu Import i
  local attempt
  for attempt in 1 2 3 4 5 6; do
    keys e
    until_true 10 shown "Export Listed Securities" && break
    [ "$attempt" -lt 6 ] || fail "the export dialog did not show"
  done
  until_true 60 eval '[[ $(last_focus) == shapeButton* ]]' || fail "the export dialog has no focus (focus is $(last_focus))"
  if [ "$n" -eq 1 ]; then
    keys alt+f alt+o
    until_true 60 focus_is outputEdit || fail "Alt+O did not reach the output box"
    type_text "$(windows_path "$out")"
  fi
  touch "$work/mark"
  keys Return
  # From the second run on the files of the run before are there: asked once, replaced.
  if [ "$n" -gt 1 ]; then
    until_true 60 shown Tessaport 2 || fail "no question before export $n replaced the files of the run before"
    answer alt+y "export $n's question"
  fi
  reported "importing 1" "$n" || fail "export $n did not start"
  progress=$(find_window "Exporting Listed Securities") || fail "no progress window in export $n"
  until_true 60 eval '[ "$(written)" -ge 1 ]' || fail "export $n wrote nothing"
  [ "$n" -gt 1 ] || shot 7-export-progress
  case $how in
    keys)
      # Alt+I goes to whichever window has the keyboard: the main window opens its Import
      # menu, and I is its Interrupt Import; the progress window takes it as its button's.
      before=$(count_of "menu Import")
      keys alt+i
      until_true 60 eval 'at_least "importing 0" $n || at_least "menu Import" $((before + 1))' ||
        fail "Alt+I did nothing during export $n"
      at_least "importing 0" "$n" || keys i ;;
    button)
      eval "$(xdotool getwindowgeometry --shell "$progress" | sed 's/^/BAR_/')"
      xdotool mousemove --sync --window "$progress" $((BAR_WIDTH - 45)) $((BAR_HEIGHT - 22)) click 1 ;;
    close) close_window "$progress" ;;
  esac
  reported "importing 0" "$n" || fail "export $n was not stopped by $how"
  local files; files=$(written)
  step "export $n stopped ($how) after $files of 300 files"
  [ "$files" -lt 300 ] || fail "export $n ran to its end: $how did not stop it"
  gone "Exporting Listed Securities" || fail "the progress window stayed after export $n"
  # The message says it was interrupted; Return closes it.
  until_true 60 shown Tessaport 2 || fail "no message after export $n"
  answer Return "the message after export $n"
  # The program gives the focus back to the mask box; keys sent sooner may reach no window.
  until_true 60 focus_is symbolEdit || fail "the focus did not come back to the mask box after export $n's message (focus is $(last_focus))"
  [ -z "$(ls -A "$out" | grep -v '\.pat$')" ] || fail "export $n left $(ls -A "$out" | grep -v '\.pat$' | head -3)"
}
export_stopped 1 keys
export_stopped 2 button
export_stopped 3 close
menu File f x
until_true 60 eval '! alive' || fail "the program did not end after File > Exit"
wait "$app" 2>/dev/null || true
step "passed in $((SECONDS - started)) s"
