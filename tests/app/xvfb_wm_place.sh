#!/usr/bin/env bash
# Under a window manager that draws a frame (openbox), 1024 x 768: the frame stands at the
# designed place (294, 132) on a first start, and again at the next start from the settings;
# a place stored above and left of the screen brings the title bar onto it. The inside is 662
# wide and high enough for every control above the status bar's panels (the cover's state ends
# at 364, the panels take 23), at twice the scale on 1920 x 1080 too.
#   xvfb_wm_place.sh <program folder>
set -euo pipefail
source "$(dirname "$0")/../support/xvfb_session.sh"

# Whether the frame of $wid is at $want (on the screen when empty) around an inside of at
# least 662 x 387 times $scale; $placed tells what was found.
placed_as_wanted() {
  local extents info fl fr ft fb x y w h
  extents=$(xprop -id "$wid" _NET_FRAME_EXTENTS) && [[ $extents == *=* ]] || return 1
  read -r fl fr ft fb <<<"$(sed 's/.*= //; s/,//g' <<<"$extents")"
  info=$(xwininfo -id "$wid")
  x=$(($(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info") - fl))
  y=$(($(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info") - ft))
  w=$(sed -n 's/.*Width: *//p' <<<"$info")
  h=$(sed -n 's/.*Height: *//p' <<<"$info")
  placed="frame at $x,$y, inside ${w}x$h"
  [ "$x,$y" = "${want:-$x,$y}" ] && [ "$x" -ge 0 ] && [ "$y" -ge 0 ] &&
    [ "$w" = $((662 * scale)) ] && [ "$h" -ge $((387 * scale)) ]
}

# Starts the program at scale $2 and waits for its frame at $1; leaves it running.
start() {
  want=$1 scale=$2 placed="no frame"
  QT_SCALE_FACTOR=$scale "$work/wav2mp3tag" >"$work/out.log" 2>&1 &
  pid=$!
  wid=$(w2m_main_window "$pid" "$work/out.log")
  w2m_wait_for placed_as_wanted || {
    echo "expected the frame at ${want:-a place on the screen} and an inside of at least" \
      "$((662 * scale))x$((387 * scale)); found $placed"; kill "$pid"; exit 1; }
  echo "scale $scale: $placed"
}

if [ "${1:-}" = "--inside" ]; then
  work="$2"
  export QT_QPA_PLATFORM=xcb HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
  mkdir -p "$HOME"
  openbox >/dev/null 2>&1 &
  w2m_wait_for bash -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'"
  if [ "$3" = 2 ]; then
    start "" 2
    kill "$pid"
    w2m_wait_gone "$pid"
    exit 0
  fi
  for want in 294,132 294,132 0,0; do
    [ "$want" = 0,0 ] && sed -i 's/^Left=.*/Left="-300"\r/; s/^Top=.*/Top="-200"\r/' "$work/wav2mp3tag.ini"
    start "$want" 1
    w2m_close_by_exit_button "$wid" "$pid" "$work/out.log"
  done
  exit 0
fi

bin="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -a "$bin"/. "$work"/
rm -f "$work/wav2mp3tag.ini"
w2m_xvfb_run 1024x768 bash "$0" --inside "$work" 1
rm "$work/wav2mp3tag.ini"
w2m_xvfb_run 1920x1080 bash "$0" --inside "$work" 2
