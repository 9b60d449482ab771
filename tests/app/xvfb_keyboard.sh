#!/usr/bin/env bash
# Starts the real program on a small virtual X screen (1024 x 768) without a window manager, with
# the accessibility bus running, and drives it through the keyboard alone (keyboard_atspi.py):
# every control is named for screen readers, Tab reaches every button of every window and
# Return presses it; the program must then have ended cleanly through its "終了" button.
#   xvfb_keyboard.sh <program folder>
set -euo pipefail
source "$(dirname "$0")/../support/xvfb_session.sh"
# The screen reader's library is the system's (python3-pyatspi), not a virtual environment's.
python=/usr/bin/python3
screen=1024x768

if [ "${1:-}" = "--inside" ]; then
  work="$2"
  export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
  /usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/bus.log" 2>&1 &
  bus=$!
  "$work/wav2mp3tag" >"$work/out.log" 2>&1 &
  pid=$!
  w2m_main_window "$pid" "$work/out.log" >/dev/null
  status=0
  timeout 100 "$python" "$(dirname "$0")/keyboard_atspi.py" "$screen" || status=1
  w2m_wait_gone "$pid" || status=1
  wait "$pid" || { echo "the program failed"; cat "$work/out.log"; status=1; }
  kill "$bus" 2>/dev/null || true
  exit "$status"
fi

"$python" -c 'import pyatspi' || { echo "python3-pyatspi is missing (scripts/deps.sh)"; exit 1; }
[ -x /usr/libexec/at-spi-bus-launcher ] || { echo "at-spi2-core is missing (scripts/deps.sh)"; exit 1; }
bin="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -a "$bin"/. "$work"/
rm -f "$work/wav2mp3tag.ini"
export HOME="$work"
w2m_xvfb_run "$screen" dbus-run-session bash "$0" --inside "$work"
