#!/usr/bin/env bash
# Drives the Windows tessaport.exe from the zip, unpacked into a fresh folder (or from the
# folder the installer made in its Wine prefix), under Wine on a virtual display with real
# key presses (xdotool): the installation written with `wine reg add`, the pattern file
# chosen with an extension of its own, a symbol imported with no click and compared with the
# Linux import's bytes (BUILD_DIR, default build/), View starting viewer.exe, list mode with
# a mask, File > Exit; then an export of 300 securities stopped by Alt+I, I, by the progress
# window's Interrupt button and by its close button.
#
#   tests/acceptance/real_input_wine.sh ZIP|INSTALLED_FOLDER [--wm openbox|none] [--linux BUILD_DIR] [--shots DIR]
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
# A path as Windows names it, asked again while a loaded machine keeps winepath from answering.
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
dates_locale=(env LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8)
unset QT_QPA_PLATFORM
key_delay=60 type_delay=40
# The prefix is ours: its server and whatever still runs in it end with the test.
end_hook() { wineserver -k 2>/dev/null || true; }
source tests/acceptance/display.sh
begin_test "real_input_wine ($wm)" "${shots:-$root/build-windows/real-input-failures}/win-failure-$wm.png"

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

# The prefix, made once (again from nothing when a stopped run left it half-made; one the
# installer's test made is used as it is); the installation as the trading platform's
# installer leaves it, in the registry's 32-bit view.
if [ -z "${installed:-}" ] && { [ ! -f "$WINEPREFIX/system.reg" ] || ! wine reg query 'HKLM\Software' >/dev/null 2>&1; }; then
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log" >&2; fail "wineboot could not make $WINEPREFIX (its output above)"; }
fi
key='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\ts32.exe'
registry_program() {
  wine reg add "$key" /v Path /t REG_SZ /d "$(windows_path "$1")" /reg:32 /f >"$work/reg.log" 2>&1 ||
    fail "wine reg add failed: $(tail -3 "$work/reg.log" | tr -d '\r')"
}
registry_program "$omega/Program"
wine reg query "$key" /v Path /reg:32 2>/dev/null | grep -qF "Program" || fail "the registry key was not written"
step "$WINE_LOADER_NOTE"
step "registry: $(wine reg query "$key" /v Path /reg:32 2>/dev/null | tr -d '\r' | grep -F Path | sed 's/^ *//')"

start_program "at the start" "${dates_locale[@]}" wine "$program/tessaport.exe"
step "main window $main, focus in the symbol box"
shot "win-1-started-$wm"
# activate WINDOW: asks for the window to take the keyboard, as a click on its title bar
# does, again each half second until it has it (a request made while another window is
# going away may be passed over).
activate() {
  local end=$((SECONDS + 60))
  until [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; do
    [ $SECONDS -lt $end ] || fail "window $1 does not take the keyboard"
    if [ "$wm" = openbox ]; then
      xdotool windowactivate "$1" 2>/dev/null || true
    else
      xdotool windowfocus "$1" 2>/dev/null || true
    fi
    sleep 0.5
  done
}

# The pattern file first, with an extension of its own that the dialog's type (.pat) must
# not be added to; the Pattern File label shows the name as typed, as Windows writes it.
mkdir -p "$work/out"
pattern=$work/out/abrn.wk1
pattern_shown=$(windows_path "$pattern") || fail "winepath could not name $pattern"
choose_pattern "$pattern_shown"
shown_as() { [ "$(report | grep '^pattern-file ' | tail -1 | cut -d' ' -f2-)" = "$1" ]; }
until_true 60 shown_as "$pattern_shown" ||
  fail "the Pattern File label shows '$(report | grep '^pattern-file ' | tail -1)', not 'pattern-file $pattern_shown'"
step "pattern file chosen: $pattern_shown, the keyboard back in the symbol box"

# Keys sent before the window has the keyboard back are lost on a loaded machine.
activate "$main"
symbol=ABRN first=1/4/2000 last=12/29/2000
import_choices "$symbol" "$first" "$last"
shot "win-3-choices-$wm"
menu Import i b
reported "importing 0" || fail "the import did not end"
[ -f "$pattern" ] || fail "$pattern was not written$( [ -f "$pattern.pat" ] && echo ": $pattern.pat was")"
[ ! -e "$pattern.pat" ] || fail "$pattern.pat was written beside $pattern"
"${dates_locale[@]}" "$linux/bin/tessaport-import" --data "$data" --from "$first" --to "$last" --open-interest -o "$work/linux.wk1" "$symbol" \
  >/dev/null 2>&1 || fail "the Linux tessaport-import failed"
cmp -s "$pattern" "$work/linux.wk1" || fail "the file of Begin Import differs from the Linux import's"
step "Begin Import wrote abrn.wk1, $(stat -c %s "$pattern") bytes, the same as the Linux import's"
shot "win-4-imported-$wm"

# View starts viewer.exe on the pattern file.
menu File f v
viewer=$(find_window "abrn.wk1 - Pattern File Viewer") || fail "View did not start viewer.exe on the pattern file"
[ -z "$shots" ] || { sleep 1; shot "win-5-viewer-$wm"; }
activate "$viewer"
keys alt+F4
gone "abrn.wk1 - Pattern File Viewer" || fail "the viewer did not close"

# List mode from the Last Date box; the mask "A".
activate "$main"
tab_to lastDateEdit
list_mode
mask_a "$linux/bin/omegadb" "$data"
tab_to securityList
keys Down
[ -z "$shots" ] || { sleep 0.5; shot "win-6-list-mode-$wm"; }
exit_program
step "ended after File > Exit"

# Export Listed Securities over 300 securities, one file each, stopped three ways: Alt+I, I
# wherever the keyboard is, the progress window's Interrupt button, and its close button.
many_securities "$linux/bin/omegadb" "$root/build-windows/test-many-300" 300 2000 ||
  fail "omegadb could not make the 300-security database"
registry_program "$work/many/Omega/Program"
start_program "at the second start" wine "$program/tessaport.exe"
activate "$main"
list_mode
# List mode opens on the mask that shows all.
reported "entries 300" || fail "the list did not show the 300 securities (last: $(report | grep '^entries' | tail -1))"
out=$work/each export_total=300 export_least=1 import_tool=$linux/bin/tessaport-import
mkdir -p "$out"
out_typed=$(windows_path "$out")
export_stopped 1 keys keys
export_stopped 2 keys button
export_stopped 3 keys close
exit_program
step "passed"
