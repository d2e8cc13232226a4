# Shared by the real-input tests (sourced): a scratch folder and what a failure leaves
# behind, waiting, a virtual display with or without a window manager.
#
# Every limit is long enough for a loaded two-core machine: a wait ends as soon as its state
# is reached, so only a failure ever waits the whole limit.

# begin_test NAME SHOT: `work`, a scratch folder, and `pids`, processes to end, both gone
# with the test (after `end_hook`, when the caller defines one); `fail MESSAGE` says what
# failed with the program's last states and output (work/app.log, work/app.err) and leaves
# a screenshot in SHOT.
begin_test() {
  test_name=$1 failure_shot=$2
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
  report_failure "$test_name" "$*" "$work/app.log" "$failure_shot"
  echo "--- program output" >&2; cat "$work/app.log" "$work/app.err" >&2 2>/dev/null || true
  exit 1
}

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
  local end=$((SECONDS + 60)) id
  while :; do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    [ $SECONDS -lt $end ] || return 1
    sleep 0.1
  done
}

wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }

# start_display openbox|none: Xvfb at 1024x768 with the number it chose for itself, exported
# as DISPLAY, and openbox on it when asked.
start_display() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
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

# report_failure NAME MESSAGE REPORT_LOG SHOT: says what failed, the last states the program
# reported, and where a screenshot of the whole display was kept (outside the scratch folder).
report_failure() {
  local name=$1 message=$2 log=$3 shot=$4
  echo "$name: FAIL: $message" >&2
  if [ -s "$log" ]; then
    echo "  last reported: $(tr -d '\r' <"$log" | tail -4 | paste -sd ';' | sed 's/;/; /g')" >&2
  else
    echo "  last reported: nothing" >&2
  fi
  if [ -n "${DISPLAY:-}" ] && mkdir -p "$(dirname "$shot")" && import -window root "$shot" 2>/dev/null; then
    echo "  screenshot: $shot" >&2
  fi
}

# menu TITLE LETTER KEYS...: opens the menu bar's menu TITLE by Alt+LETTER, waits until the
# program reports it shown (a shown menu has the keyboard; a key sent sooner may reach the
# window below it), then presses KEYS. The caller defines keys, count_of and reported.
menu() {
  local title=$1 letter=$2 before
  shift 2
  before=$(count_of "menu $title")
  keys "alt+$letter"
  reported "menu $title" $((before + 1)) || fail "Alt+$letter did not open the $title menu"
  [ $# -eq 0 ] || keys "$@"
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
# each with the same ROWS weekdays of prices, in FOLDER/db; made once and kept for the next
# run (FOLDER/.count says "COUNT ROWS").
many_securities() {
  local omegadb=$1 folder=$2 count=$3 rows=$4 i
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
}
