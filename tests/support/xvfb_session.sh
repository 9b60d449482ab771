# Steps shared by the tests that run the real program on a virtual X server; sourced by them.

# Runs "$@" on a virtual X server of one screen of $1 pixels ("1024x768"). The server never
# resets: by default it does when its last client leaves, and a client connecting meanwhile
# (the program, the window manager) then fails to open the display.
w2m_xvfb_run() {
  local screen=$1
  shift
  xvfb-run -a -s "-noreset -screen 0 ${screen}x24" "$@"
}

# Prints the id of the main window once it shows (20 s at most); fails with the program's
# output when it never does.
w2m_main_window() {
  local pid=$1 log=$2 wid
  wid=$(timeout 20 xdotool search --sync --onlyvisible --name "ID3タグの編集" | head -n1) || {
    echo "the main window did not appear" >&2; cat "$log" >&2; kill "$pid" 2>/dev/null; return 1; }
  echo "$wid"
}

# Runs "$@" until it succeeds, ten times a second for 10 s at most: a test waits for the state
# it checks, not for a time. The last run's output says why when the state never comes.
w2m_wait_for() {
  for _ in $(seq 100); do
    "$@" 2>/dev/null && return 0
    sleep 0.1
  done
  "$@"
}

# Waits up to 10 s for the program to end; fails when it is still running then.
w2m_wait_gone() {
  local pid=$1
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  echo "the program did not end" >&2
  kill "$pid" 2>/dev/null
  return 1
}

# Presses the main window's exit button "終了" (at 575, 4, 74 x 25 in the top bar) and waits
# for the program to end successfully.
w2m_close_by_exit_button() {
  local wid=$1 pid=$2 log=$3
  xdotool mousemove --window "$wid" 612 16 click 1
  w2m_wait_gone "$pid" || { echo "the exit button did not close the program" >&2; return 1; }
  wait "$pid" || { echo "the program failed" >&2; cat "$log" >&2; return 1; }
}
