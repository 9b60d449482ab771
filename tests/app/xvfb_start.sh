#!/usr/bin/env bash
# Starts the real program on a virtual X server without a window manager, from a copy of the
# program's folder that holds no settings file: the main window must appear at its designed
# place and width; closing it with its "終了" button must write wav2mp3tag.ini beside the
# executable, "Option" section first, keys in their fixed order.
#   xvfb_start.sh <program folder>
set -euo pipefail
source "$(dirname "$0")/../support/xvfb_session.sh"

if [ "${1:-}" = "--inside" ]; then
  work="$2"
  export QT_QPA_PLATFORM=xcb
  "$work/wav2mp3tag" >"$work/out.log" 2>&1 &
  pid=$!
  wid=$(w2m_main_window "$pid" "$work/out.log")
  info=$(xwininfo -id "$wid")
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  w=$(sed -n 's/.*Width: *//p' <<<"$info")
  status=0
  if [ "$x,$y,$w" != "294,132,662" ]; then
    echo "window at $x,$y, $w wide; expected 294,132, 662 wide"; status=1
  fi
  w2m_close_by_exit_button "$wid" "$pid" "$work/out.log"
  exit "$status"
fi

bin="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -a "$bin"/. "$work"/
rm -f "$work/wav2mp3tag.ini"
w2m_xvfb_run 1280x1024 bash "$0" --inside "$work"

ini="$work/wav2mp3tag.ini"
[ -f "$ini" ] || { echo "no settings file beside the executable"; exit 1; }
expected='[Option]
HelpFileName
FolderPath
WithFolder
WithFile
WriteId3
DispMp3infp
FormComment
Mp3WavId3ToMp3
Mp3DeleteWav
Mp3OverWriteMp3
Mp3UseFolder3
Mp3FolderPath
Mp3TagFormat
Mp3Jobs
Mp3Quality
Mp3ReplayGain

[Form]
Left
Top
Width
Height'
actual=$(tr -d '\r' <"$ini" | sed 's/=.*//')
if [ "$actual" != "$expected" ]; then
  echo "settings file not in the expected order:"; cat "$ini"; exit 1
fi
grep -q $'^Left="294"\r$' "$ini" || { echo "Left not 294:"; cat "$ini"; exit 1; }
echo "ok"
