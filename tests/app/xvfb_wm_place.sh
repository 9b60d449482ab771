#!/usr/bin/env bash
# Under a window manager that draws a frame, the window's frame stands at the designed place
# (294, 132) on a first start, the settings file records that place and the outer width, and
# the next start puts the window back exactly there with the same sizes.
#   xvfb_wm_place.sh <program folder>
set -euo pipefail
source "$(dirname "$0")/../support/xvfb_session.sh"

if [ "${1:-}" = "--inside" ]; then
  work="$2"
  export QT_QPA_PLATFORM=xcb HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
  mkdir -p "$HOME"
  openbox >/dev/null 2>&1 &
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
  for run in 1 2; do
    "$work/wav2mp3tag" >"$work/out.log" 2>&1 &
    pid=$!
    wid=$(w2m_main_window "$pid" "$work/out.log")
    sleep 1
    frame=$(xprop -id "$wid" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
    read -r fl fr ft fb <<<"$frame"
    info=$(xwininfo -id "$wid")
    x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    w=$(sed -n 's/.*Width: *//p' <<<"$info")
    h=$(sed -n 's/.*Height: *//p' <<<"$info")
    echo "run $run: frame at $((x - fl)),$((y - ft)), outer $((w + fl + fr))x$((h + ft + fb)), client ${w}x$h"
    if [ "$((x - fl)),$((y - ft))" != "294,132" ]; then
      echo "the frame is not at 294,132"; kill "$pid"; exit 1
    fi
    if [ "$w" != 662 ] || [ "$((h + ft + fb))" != 391 ]; then
      echo "expected a client 662 wide in a frame 391 high"; kill "$pid"; exit 1
    fi
    w2m_close_by_exit_button "$wid" "$pid" "$work/out.log"
  done
  exit 0
fi

bin="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -a "$bin"/. "$work"/
rm -f "$work/wav2mp3tag.ini"
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" --inside "$work"
grep -q 'Left="294"' "$work/wav2mp3tag.ini" && grep -q 'Top="132"' "$work/wav2mp3tag.ini" || {
  echo "the settings do not hold the frame's place:"; cat "$work/wav2mp3tag.ini"; exit 1; }
