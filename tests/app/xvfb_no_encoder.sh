#!/usr/bin/env bash
# Without the encoder module the program cannot start: it shows the error box
# "GOGO.DLLを初期化できません." and exits with no main window. Run on a virtual X server from a
# copy of the program's folder without libgogo.so.
#   xvfb_no_encoder.sh <program folder>
set -euo pipefail
source "$(dirname "$0")/../support/xvfb_session.sh"

if [ "${1:-}" = "--inside" ]; then
  work="$2"
  export QT_QPA_PLATFORM=xcb
  "$work/wav2mp3tag" >"$work/out.log" 2>&1 &
  pid=$!
  box=$(timeout 20 xdotool search --sync --onlyvisible --name "^wav2mp3tag$" | head -n1) || {
    echo "no error box appeared"; cat "$work/out.log"; kill "$pid" 2>/dev/null; exit 1; }
  status=0
  if xdotool search --onlyvisible --name "ID3タグの編集" >/dev/null 2>&1; then
    echo "the main window appeared although the encoder is missing"; status=1
  fi
  # Press its OK button (bottom right of the box) once the box has settled.
  sleep 0.5
  box=$(xdotool search --onlyvisible --name "^wav2mp3tag$" | tail -n1)
  read -r w h < <(xwininfo -id "$box" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}')
  xdotool mousemove --window "$box" $((w - 50)) $((h - 22)) click 1
  w2m_wait_gone "$pid" || { echo "the program did not end after the error box"; exit 1; }
  code=0
  wait "$pid" || code=$?
  [ "$code" -ne 0 ] || { echo "the program ended successfully without its encoder"; status=1; }
  exit "$status"
fi

bin="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -a "$bin"/. "$work"/
rm -f "$work/libgogo.so" "$work/wav2mp3tag.ini"
# No INSTPATH either: a private configuration folder.
mkdir -p "$work/home" "$work/config"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config"
w2m_xvfb_run 1280x1024 bash "$0" --inside "$work"
[ ! -e "$work/wav2mp3tag.ini" ] || { echo "settings written by a program that never started"; exit 1; }
echo "start-up without the encoder module refused as expected"
