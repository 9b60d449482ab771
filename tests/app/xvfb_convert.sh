#!/usr/bin/env bash
# Starts the real program on a virtual X server without a window manager, from a copy of the
# program's folder, with a short WAV file named on its command line; one click on
# "WAV→MP3実行" must write a complete MP3 file beside the WAV file, and the program must then
# close cleanly with its "終了" button.
#   xvfb_convert.sh <program folder>
set -euo pipefail
source "$(dirname "$0")/../support/xvfb_session.sh"

if [ "${1:-}" = "--inside" ]; then
  work="$2"
  export QT_QPA_PLATFORM=xcb
  "$work/bin/wav2mp3tag" "$work/music/song.wav" >"$work/out.log" 2>&1 &
  pid=$!
  wid=$(w2m_main_window "$pid" "$work/out.log")
  # "WAV→MP3実行" sits at (358, 4), 97 x 25, in the top bar.
  xdotool mousemove --window "$wid" 406 16 click 1
  mp3="$work/music/song.mp3"
  # Complete: the encoder writes the info frame ("Info"/"Xing") into the first frame when it
  # closes the coder; the end handler then needs one second more.
  complete=0
  for _ in $(seq 300); do
    if [ -f "$mp3" ] && head -c 200 "$mp3" | grep -aqE 'Info|Xing'; then
      complete=1
      break
    fi
    sleep 0.1
  done
  sleep 2
  w2m_close_by_exit_button "$wid" "$pid" "$work/out.log"
  [ "$complete" = 1 ] || { echo "no complete MP3 file appeared"; ls -l "$work/music"; exit 1; }
  exit 0
fi

bin="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/music" "$work/config"
cp -a "$bin"/. "$work/bin"/
rm -f "$work/bin/wav2mp3tag.ini"
# The user's own encoder location is never read.
export XDG_CONFIG_HOME="$work/config"

python3 - "$work/music/song.wav" <<'PY'
import math, struct, sys, wave
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(2)
    w.setsampwidth(2)
    w.setframerate(44100)
    w.writeframes(b"".join(
        struct.pack("<hh", int(12000 * math.sin(2 * math.pi * 440 * i / 44100)),
                    int(12000 * math.sin(2 * math.pi * 660 * i / 44100)))
        for i in range(int(44100 * 1.5))))
PY

w2m_xvfb_run 1280x1024 bash "$0" --inside "$work"

mp3="$work/music/song.mp3"
[ -f "$work/music/song.wav" ] || { echo "the WAV file is gone"; exit 1; }
python3 - "$mp3" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
start = 0
if data[:4] == b"RIFF" and data[8:12] == b"RMP3":
    start = data.find(b"data", 12) + 8
elif data[:3] == b"ID3":
    size = (data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9]
    start = 10 + size
h = data[start:start + 4]
if len(h) < 4 or h[0] != 0xFF or (h[1] & 0xE0) != 0xE0 or ((h[1] >> 1) & 3) != 1:
    sys.exit("not an MPEG audio layer III file: %r" % h)
if len(data) < 20000:
    sys.exit("MP3 file too short: %d bytes" % len(data))
PY
echo "ok"
