# Shared by the real-input tests (sourced): waiting, and a virtual display with or without
# a window manager. The caller defines `work` (a scratch folder), `pids` (processes to end)
# and `fail`.

# until_true SECONDS COMMAND...: runs COMMAND until it succeeds, for at most SECONDS.
until_true() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  until "$@"; do
    [ $SECONDS -lt "$end" ] || return 1
    sleep 0.05
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
