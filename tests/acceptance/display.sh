# Shared by the real-input tests (sourced): a scratch folder and what a failure leaves
# behind, waits, a virtual display with or without a window manager, and the steps the
# Linux and Windows runs of the program have in common.
#
# Every limit is long enough for a loaded two-core machine: a wait ends as soon as its state
# is reached, so only a failure ever waits the whole limit. The caller sets `wm` and `shots`.

# begin_test NAME SHOT: `work`, a scratch folder, and `pids`, processes to end, gone with
# the test (after the caller's `end_hook`); `fail MESSAGE` says what failed, the program's
# last states and output, and leaves a screenshot in SHOT.
begin_test() {
  test_name=$1 failure_shot=$2 started=$SECONDS
  work=$(mktemp -d)
  pids=()
  trap end_test EXIT
}
end_test() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  if declare -F end_hook >/dev/null; then end_hook; fi
  wait 2>/dev/null || true
  rm -rf "$work"
}
fail() {
  echo "$test_name: FAIL: $*" >&2
  local last; last=$(report 2>/dev/null | tail -4 | paste -sd ';' | sed 's/;/; /g')
  echo "  last reported: ${last:-nothing}" >&2
  if [ -n "${DISPLAY:-}" ] && mkdir -p "$(dirname "$failure_shot")" && import -window root "$failure_shot" 2>/dev/null; then
    echo "  screenshot: $failure_shot" >&2
  fi
  echo "--- program output" >&2; cat "$work/app.log" "$work/app.err" >&2 2>/dev/null || true
  if [ -s "$work/xvfb.log" ]; then echo "--- Xvfb" >&2; tail -5 "$work/xvfb.log" >&2; fi
  exit 1
}
step() { echo "$test_name $((SECONDS - started))s: $*"; }
shot() { [ -z "$shots" ] || import -window root "$shots/$1.png" 2>/dev/null || true; }

# until_true SECONDS COMMAND...: runs COMMAND until it succeeds, for at most SECONDS.
until_true() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  until "$@"; do
    [ $SECONDS -lt "$end" ] || return 1
    sleep 0.05
  done
}

# find_window NAME: the id of the visible window of exactly that name, waiting up to 60 s.
# Each look is a search of its own: one that fails (a window destroyed while it was being
# read, as happens while dialogs come and go) is a look that found nothing, not the end.
find_window() {
  local name=$1 id=
  until_true 60 eval 'id=$(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null | head -1); [ -n "$id" ]' && echo "$id"
}
# shown NAME [COUNT]: at least COUNT visible windows of that name; gone NAME waits for none.
shown() { [ "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l)" -ge "${2:-1}" ]; }
gone() { until_true 60 eval "! shown '$1'"; }

wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }

# start_display openbox|none: Xvfb at 1024x768 with the number it chose for itself, exported
# as DISPLAY, and openbox on it when asked. -noreset: without a window manager the program is
# the display's only client, and an X server resets itself when its last client leaves; the
# reset drops a client that connected while it ran, so a program started again at once can
# fail with "could not connect to display" (seen here once in 90 quick restarts under load).
start_display() {
  Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -dpi 96 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  pids+=($!)
  until_true 20 test -s "$work/display" || fail "Xvfb did not start"
  export DISPLAY=:$(cat "$work/display")
  [ "$1" = openbox ] || return 0
  # A second try when the first start does not take (seen on a loaded machine); its log if neither does.
  local attempt
  for attempt in 1 2; do
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    pids+=($!)
    until_true 20 wm_up && return 0
    kill "${pids[-1]}" 2>/dev/null || true
  done
  fail "openbox did not start: $(tail -5 "$work/openbox.log")"
}

# The program's report lines (TESSAPORT_REPORT_STATE), without the CR a Windows C library adds.
report() { tr -d '\r' <"$work/app.log"; }
count_of() { report | grep -cxF "$1" || true; }
at_least() { [ "$(count_of "$1")" -ge "$2" ]; }
# reported TEXT [COUNT]: waits until the program has reported that line COUNT times.
reported() { until_true 60 at_least "$1" "${2:-1}"; }
last_focus() { report | grep '^focus ' | tail -1 | cut -d' ' -f2; }
focus_is() { [ "$(last_focus)" = "$1" ]; }
focus_moves() { [ "$(report | grep -c '^focus ')" -gt "$1" ]; }
# tab_to NAME: Tab until the focus reaches the control NAME.
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
# Wine takes keys more slowly: its runs set key_delay and type_delay higher.
keys() { xdotool key --delay "${key_delay:-30}" "$@"; }
type_text() { xdotool type --delay "${type_delay:-20}" "$1"; }

# menu TITLE LETTER KEYS...: opens the menu bar's menu TITLE by Alt+LETTER, waits until the
# program reports it shown (a shown menu has the keyboard; a key sent sooner may reach the
# window below it), then presses KEYS.
menu() {
  local title=$1 letter=$2 before
  shift 2
  before=$(count_of "menu $title")
  keys "alt+$letter"
  reported "menu $title" $((before + 1)) || fail "Alt+$letter did not open the $title menu"
  [ $# -eq 0 ] || keys "$@"
}

# start_program WHAT COMMAND...: COMMAND started with its report in work/app.log, as `app`;
# its main window, as `main`, shows with the keyboard in the symbol box.
start_program() {
  local what=$1; shift
  "$@" >"$work/app.log" 2>"$work/app.err" &
  app=$!
  pids+=($app)
  main=$(find_window Tessaport) || fail "the main window did not show $what"
  until_true 60 focus_is symbolEdit || fail "the symbol box has no focus $what (focus is $(last_focus))"
}
# exit_program: File > Exit, and the process ends.
exit_program() {
  menu File f x
  until_true 60 eval '! kill -0 $app 2>/dev/null' || fail "the program did not end after File > Exit"
  wait "$app" 2>/dev/null || true
}

# choose_pattern NAME: NAME typed into the file dialog of File > Select Pattern File; the
# keyboard comes back to the symbol box by itself.
choose_pattern() {
  menu File f p
  find_window "Select the Pattern Filename" >/dev/null || fail "the file dialog did not show"
  until_true 60 focus_is fileNameEdit || fail "the file dialog's name box has no focus (focus is $(last_focus))"
  type_text "$1"
  keys Return
  gone "Select the Pattern Filename" || fail "the file dialog stayed"
  until_true 60 focus_is symbolEdit || fail "the focus did not come back to the symbol box after the dialog (focus is $(last_focus))"
}
# import_choices SYMBOL FIRST LAST: the symbol (Enter searches for it), the dates and open
# interest ticked, leaving the focus on the open-interest box.
import_choices() {
  type_text "$1"
  keys Return
  until_true 60 focus_is symbolEdit || fail "no focus in the symbol box"
  tab_to firstDateEdit
  keys ctrl+a; type_text "$2"
  tab_to lastDateEdit
  keys ctrl+a; type_text "$3"
  tab_to openInterestCheck
  keys space
}
# list_mode: Mode > List, the focus in the mask box.
list_mode() {
  menu Mode m Down Return
  until_true 60 focus_is symbolEdit || fail "after the mode switch the focus is on $(last_focus)"
}
# mask_a OMEGADB DATA: the mask "A" typed; the list counts the securities omegadb lists.
mask_a() {
  keys ctrl+a
  type_text A
  local expected; expected=$("$1" list "$2" | awk '$1 ~ /^A/' | wc -l)
  reported "entries $expected" || fail "the count for mask A is not $expected (last: $(report | grep '^entries' | tail -1))"
  step "list mode, mask A: $expected entries"
}

# close_window ID: asks the window to close as its frame's close button (x) does: the
# WM_DELETE_WINDOW message of the window manager, with or without one running.
close_window() {
  python3 - "$1" <<'PY'
import ctypes, ctypes.util, sys
x = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
class Message(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 16)]
display = x.XOpenDisplay(None)
if not display:
    sys.exit("close_window: no display")
window = int(sys.argv[1])
event = Message(type=33, window=window, format=32, display=display,  # 33: ClientMessage
                message_type=x.XInternAtom(display, b"WM_PROTOCOLS", 0))
event.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
event.data[1] = 0  # CurrentTime
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = x.XCloseDisplay.argtypes = [ctypes.c_void_p]
if not x.XSendEvent(display, window, 0, 0, ctypes.byref(event)):
    sys.exit("close_window: the message was not sent")
x.XFlush(display)
x.XCloseDisplay(display)
PY
}

# many_securities OMEGADB FOLDER COUNT ROWS: a database of COUNT securities (S0001, ...),
# each with the same ROWS weekdays of prices, in FOLDER/db, made once and kept for the next
# run (FOLDER/.count says "COUNT ROWS"); and an installation whose preferred data directory
# it is, in work/many/Omega.
many_securities() {
  local omegadb=$1 folder=$2 count=$3 rows=$4 i
  mkdir -p "$work/many/Omega/Program" "$work/many/Omega/Data"
  ln -s "$folder/db" "$work/many/Omega/Data/USStock"
  [ "$(cat "$folder/.count" 2>/dev/null)" = "$count $rows" ] && return 0
  rm -rf "$folder"
  mkdir -p "$folder"
  python3 -c '
import datetime
day, rows = datetime.date(2000, 1, 3), []
while len(rows) < '"$rows"':
    if day.weekday() < 5:
        p = 10 + (len(rows) % 500) * 0.01
        rows.append(f"{day},{p:.2f},{p + 0.5:.2f},{p - 0.5:.2f},{p + 0.13:.2f},{1000 + len(rows)}")
    day += datetime.timedelta(days=1)
print("\n".join(rows))' >"$folder/history.csv" || return 1
  "$omegadb" create "$folder/db" >/dev/null || return 1
  for i in $(seq -w 1 "$count"); do "$omegadb" add "$folder/db" "S0$i" "$folder/history.csv" || return 1; done
  echo "$count $rows" >"$folder/.count"
  step "made the $count-security database"
}

# open_import_menu: opens the Import menu by a click on the menu bar, waiting for it on the
# screen ($menu, $MENU_HEIGHT).
open_import_menu() {
  xdotool search --onlyvisible --pid "$app" 2>/dev/null | sort >"$work/before"
  xdotool mousemove --window "$main" 55 10 click 1
  until_true 60 eval "xdotool search --onlyvisible --pid $app 2>/dev/null | sort | comm -13 '$work/before' - | grep -q ." \
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
# open_export click|keys: the Export Listed Securities dialog, from the Import menu opened by
# a click or by Alt+I.
open_export() {
  local attempt
  for attempt in 1 2 3 4 5 6; do
    if [ "$1" = click ]; then
      # Right after the list is filled the search may still be settling: a menu that took no
      # click (still open, or closed with no dialog) is closed and opened again.
      [ "$attempt" -le 3 ] || fail "the export dialog did not show after three clicks on Export Listed Securities"
      open_import_menu
      click_menu_item $((MENU_HEIGHT - 12))
      until_true 20 eval 'shown "Export Listed Securities" || ! menu_open' || true
      # A menu that closed took the click: its dialog may take a moment more to show.
      if ! menu_open && until_true 30 shown "Export Listed Securities"; then return 0; fi
      menu_open && keys Escape
      until_true 60 eval '! menu_open' || fail "the Import menu did not close"
    else
      # Under Wine a menu may report itself shown a moment before it takes keys: the item's
      # key again while the menu stays open (a letter the dialog ignores if it was taken).
      [ "$attempt" -gt 1 ] || menu Import i
      keys e
      until_true 10 shown "Export Listed Securities" && return 0
    fi
  done
  fail "the export dialog did not show"
}
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
# drawn FILE WINDOW: a screenshot of the window in FILE, once it shows more than one colour.
drawn() { import -window "$2" "$1" 2>/dev/null && [ "$(convert "$1" -format %k info:)" -gt 1 ]; }
# The files the export in hand has written (the run before's are older than its mark).
written() { find "$out" -name '*.pat' -newer "$work/mark" | wc -l; }

# export_stopped N OPEN HOW: Export Listed Securities of the `export_total` securities
# listed, one file each into $out (typed as $out_typed in the first run), opened by OPEN (as
# open_export) and stopped, once it has written `export_least` files, by HOW: `click` on Interrupt Import
# in the menu, `keys` (Alt+I, I), the progress window's Interrupt `button` or its `close`
# button. Every file written is whole and what tessaport-import (`import_tool`) writes.
export_stopped() {
  local n=$1 how=$3 progress before t0
  open_export "$2"
  until_true 60 eval '[[ $(last_focus) == shapeButton* ]]' || fail "the export dialog has no focus (focus is $(last_focus))"
  if [ "$n" -eq 1 ]; then
    keys alt+f alt+o
    until_true 60 focus_is outputEdit || fail "Alt+O did not reach the output box"
    type_text "$out_typed"
  fi
  # The dialog opens again with the choices of the run before.
  touch "$work/mark"
  keys Return
  # From the second run on the files of the run before are there: asked once, replaced.
  if [ "$n" -gt 1 ]; then
    until_true 60 shown Tessaport 2 || fail "no question before export $n replaced the files of the run before"
    answer alt+y "export $n's question"
  fi
  reported "importing 1" "$n" || fail "export $n did not start"
  progress=$(find_window "Exporting Listed Securities") || fail "no progress window in export $n"
  until_true 60 eval '[ "$(written)" -ge $export_least ]' || fail "export $n wrote too little"
  if [ "$n" -eq 1 ]; then
    # The progress window lies over the main window and has been drawn.
    eval "$(xdotool getwindowgeometry --shell "$main" | sed 's/^/MAIN_/')"
    eval "$(xdotool getwindowgeometry --shell "$progress" | sed 's/^/BAR_/')"
    local cx=$((BAR_X + BAR_WIDTH / 2)) cy=$((BAR_Y + BAR_HEIGHT / 2))
    [ $cx -gt "$MAIN_X" ] && [ $cx -lt $((MAIN_X + MAIN_WIDTH)) ] && [ $cy -gt "$MAIN_Y" ] \
      && [ $cy -lt $((MAIN_Y + MAIN_HEIGHT)) ] || fail "the progress window is not over the main window"
    until_true 60 drawn "$work/progress.png" "$progress" || fail "the progress window stayed one colour"
    [ -z "$shots" ] || cp "$work/progress.png" "$shots/export-progress-$wm.png"
  fi
  # Timed from the stopping input: the time is reported, not judged (it depends on the
  # machine's load); what must hold is that the run ended before its end.
  case $how in
    click)
      open_import_menu
      t0=$(date +%s%N)
      click_menu_item $((MENU_HEIGHT / 2 - 1)) ;;
    keys)
      # Alt+I goes to whichever window has the keyboard: the main window opens its Import
      # menu, and I is its Interrupt Import; the progress window takes it as its button's.
      t0=$(date +%s%N)
      before=$(count_of "menu Import")
      keys alt+i
      until_true 60 eval 'at_least "importing 0" $n || at_least "menu Import" $((before + 1))' ||
        fail "Alt+I did nothing during export $n"
      at_least "importing 0" "$n" || keys i ;;
    button)
      eval "$(xdotool getwindowgeometry --shell "$progress" | sed 's/^/BAR_/')"
      t0=$(date +%s%N)
      xdotool mousemove --sync --window "$progress" $((BAR_WIDTH - 45)) $((BAR_HEIGHT - 22)) click 1 ;;
    close) t0=$(date +%s%N); close_window "$progress" ;;
  esac
  reported "importing 0" "$n" || fail "export $n was not stopped by $how"
  local files; files=$(written)
  step "export $n stopped ($how) after $files of $export_total files, in $((($(date +%s%N) - t0) / 1000000)) ms"
  [ "$files" -lt "$export_total" ] || fail "export $n ran to its end: $how did not stop it"
  gone "Exporting Listed Securities" || fail "the progress window stayed after export $n"
  # The message says it was interrupted; Return closes it, and the focus is back in the mask box.
  until_true 60 shown Tessaport 2 || fail "no message after export $n"
  answer Return "the message after export $n"
  until_true 60 focus_is symbolEdit || fail "the focus did not come back to the mask box after export $n's message (focus is $(last_focus))"
  [ -z "$(ls -A "$out" | grep -v '\.pat$')" ] || fail "export $n left $(ls -A "$out" | grep -v '\.pat$' | head -3)"
  rm -rf "$work/reference"
  "$import_tool" -q --data "$work/many/Omega/Data/USStock" --out-dir "$work/reference" $(ls "$out" | sed 's/\.pat$//') ||
    fail "tessaport-import failed"
  diff -r "$out" "$work/reference" >/dev/null || fail "a file of export $n differs from tessaport-import's"
}
