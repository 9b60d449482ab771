#!/usr/bin/env bash
# The real wav2mp3tag-cli, with no display: a folder of CP932-named and nested tagged WAV files
# converted to ID3v2-tagged MP3 files with the WAV files moved to a private trash; one field set
# with the others' bytes kept; tags read and set without the encoder module; the exit statuses; a
# batch stopped by SIGINT and SIGTERM leaving no temporary file and every WAV file; no widget, GUI
# or X library in the running process.
#   cli_run.sh <program folder>
set -euo pipefail
cli=$1/wav2mp3tag-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
: > "$work/empty.ini"
run() { "$cli" --settings "$work/empty.ini" "$@"; }
fail() { echo "$*"; exit 1; }

# WAV files: 曲.wav (CP932 name) and sub/日本.wav, tagged in a CP932 INFO list, sub/b.wav; and
# big/ with four of 40 s for the stopped batches.
python3 - "$work" <<'PY'
import math, os, struct, sys
work = os.fsencode(sys.argv[1])
second = b"".join(struct.pack("<hh", int(9000 * math.sin(i * 0.0627)), int(7000 * math.sin(i * 0.094)))
                  for i in range(44100))
def chunk(cid, body):
    return cid + struct.pack("<I", len(body)) + body + b"\0" * (len(body) & 1)
def wav(path, seconds, info=()):
    fmt = struct.pack("<HHIIHH", 1, 2, 44100, 44100 * 4, 4, 16)
    body = b"WAVE" + chunk(b"fmt ", fmt) + chunk(b"data", second * seconds)
    if info:
        body += chunk(b"LIST", b"INFO" + b"".join(chunk(k, v + b"\0") for k, v in info))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)
m = work + b"/music/"
wav(m + "曲.wav".encode("cp932"), 1, [(b"INAM", "夜明けのスキャット～".encode("cp932")), (b"IART", "由紀さおり".encode("cp932"))])
wav(m + "sub/日本.wav".encode("cp932"), 2, [(b"INAM", "朝".encode("cp932")), (b"ICMT", "名曲".encode("cp932"))])
wav(m + b"sub/b.wav", 1, [(b"INAM", b"b")])
for n in range(4):
    wav(work + b"/big/t%d.wav" % n, 40)
PY
cp932() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }
music=$work/music
song=$music/$(cp932 曲)
nihon=$music/sub/$(cp932 日本)

# --- convert: each MP3 named on a line as it is made; complete, tagged; the WAVs in the trash
run convert --jobs 0 --tag-format id3v2 --copy-tags --trash -V 2 --replaygain "$music" > "$work/out" 2> "$work/err" ||
  fail "convert failed: $(cat "$work/err")"
[ "$(LC_ALL=C sort "$work/out")" = "$music/sub/b.mp3
$music/sub/日本.mp3
$music/曲.mp3" ] || fail "unexpected output: $(cat "$work/out")"
[ ! -s "$work/err" ] || fail "standard error not a terminal, yet: $(cat "$work/err")"
title() { ffprobe -v error -show_entries format_tags=title -of default=nw=1:nk=1 "$1"; }
seconds() { ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$1"; }
[ "$(title "$song.mp3")" = 夜明けのスキャット～ ] || fail "曲.mp3 title: $(title "$song.mp3")"
[ "$(title "$nihon.mp3")" = 朝 ] || fail "日本.mp3 title: $(title "$nihon.mp3")"
[ "$(title "$music/sub/b.mp3")" = b ] || fail "b.mp3 title: $(title "$music/sub/b.mp3")"
awk -v s="$(seconds "$nihon.mp3")" 'BEGIN { exit !(s > 1.9 && s < 2.2) }' ||
  fail "日本.mp3 lasts $(seconds "$nihon.mp3") s"
ffprobe -v error -show_entries format_tags=REPLAYGAIN_ALBUM_GAIN "$music/sub/b.mp3" | grep -Eq '=-?[0-9]+\.[0-9]{2} dB$' &&
  [ "$(mediainfo --Inform='Audio;%BitRate_Mode%' "$music/sub/b.mp3")" = VBR ] || fail "b.mp3: not VBR V2 with ReplayGain"
for f in "$(cp932 曲).wav" "$(cp932 日本).wav" b.wav; do
  [ -f "$XDG_DATA_HOME/Trash/files/$f" ] || fail "$f is not in the trash"
done
[ -z "$(find "$music" -name '*.wav' -o -name '.w2m-enc-*')" ] || fail "left: $(find "$music")"

# --- set: one field; the others keep their bytes (CP932 in the INFO list), read back the same
mv "$XDG_DATA_HOME/Trash/files/$(cp932 日本).wav" "$nihon.wav"
info() { python3 - "$1" "$2" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
at = data.find(b"INFO") + 4
while at + 8 <= len(data):
    cid, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
    if cid == sys.argv[2].encode():
        sys.stdout.write(data[at + 8:at + 8 + size].hex())
    at += 8 + size + (size & 1)
PY
}
before_title=$(info "$nihon.wav" INAM) before_comment=$(info "$nihon.wav" ICMT)
[ "$(run set "$nihon.wav" --artist 由紀さおり)" = "$music/sub/日本.wav: 成功" ] || fail "set said otherwise"
[ "$(info "$nihon.wav" INAM)" = "$before_title" ] && [ "$(info "$nihon.wav" ICMT)" = "$before_comment" ] ||
  fail "set changed the fields not given"
run set "$song.mp3" --track 3/12 > /dev/null || fail "set --track failed"

# --- tags --json: one object per file, as the window shows it
run tags --json "$nihon.wav" "$song.mp3" > "$work/json"
python3 - "$work/json" <<'PY' || fail "tags --json: $(cat "$work/json")"
import json, sys
wav, mp3 = json.load(open(sys.argv[1]))
assert (wav["type"], wav["title"], wav["artist"], wav["comment"]) == ("WAV", "朝", "由紀さおり", "名曲"), wav
assert (mp3["type"], mp3["title"], mp3["artist"]) == ("MP3", "夜明けのスキャット～", "由紀さおり"), mp3
assert "ID3V2" in mp3["tagKinds"] and mp3["playingTime"] == "0:01" and mp3["track"] == "3/12", mp3
PY

# --- without the encoder module: tags and set work, convert says why it cannot
alone=$work/alone
mkdir "$alone" && cp "$1/wav2mp3tag-cli" "$1/libmp3infp.so" "$alone/"
"$alone/wav2mp3tag-cli" --settings "$work/empty.ini" set "$song.mp3" --year 1969 > /dev/null &&
  "$alone/wav2mp3tag-cli" --settings "$work/empty.ini" tags "$song.mp3" | grep -q "リリース年: 1969" ||
  fail "tags and set need the encoder module"
status=0; "$alone/wav2mp3tag-cli" --settings "$work/empty.ini" convert "$music" 2> "$work/err" || status=$?
[ "$status" = 1 ] && grep -q "GOGO.DLL" "$work/err" || fail "convert without the module: $status $(cat "$work/err")"

# --- exit statuses: 1 for a file not done (named with its reason), 2 for a usage error
status=0; run tags "$music/none.mp3" 2> "$work/err" || status=$?
[ "$status" = 1 ] && grep -q "none.mp3 が見つかりません" "$work/err" || fail "missing file: $status $(cat "$work/err")"
status=0; run convert --overwrite "$music/sub/b.mp3" 2> "$work/err" || status=$?
[ "$status" = 1 ] && grep -q "^$music/sub/b.mp3: " "$work/err" || fail "not a WAV: $status $(cat "$work/err")"
status=0; run convert --jobs many "$music" 2> /dev/null || status=$?
[ "$status" = 2 ] || fail "usage error exited $status"
status=0; run tags --title x "$song.mp3" 2> /dev/null || status=$?
[ "$status" = 2 ] || fail "set's option given to tags exited $status"
status=0; run convert --replaygain "$music" 2> "$work/err" || status=$?
[ "$status" = 2 ] && grep -q "RIFF SIF" "$work/err" || fail "ReplayGain in RIFF SIF: $status $(cat "$work/err")"

# --- stopped mid-batch (one file at a time, two at once): 128 + the signal, no temporary file, every WAV file in place, each MP3
# made complete; no widget, GUI or X library loaded on the way
for stop in INT:1 TERM:2; do
  signal=${stop%:*}
  rm -f "$work"/big/*.mp3
  "$cli" --settings "$work/empty.ini" convert --jobs "${stop#*:}" --no-trash "$work/big" > /dev/null &
  pid=$!
  for _ in $(seq 1 2000); do
    compgen -G "$work/big/.w2m-enc-*" > /dev/null && break
    sleep 0.01
  done
  compgen -G "$work/big/.w2m-enc-*" > /dev/null || fail "no encode seen running"
  maps=$(cat "/proc/$pid/maps")
  grep -q libQt6Core <<< "$maps" || fail "the process map was not read"
  if grep -E 'libQt6(Widgets|Gui)|libX11|libxcb' <<< "$maps"; then
    kill -KILL "$pid"; fail "a display library is loaded"
  fi
  kill -"$signal" "$pid"
  status=0; wait "$pid" || status=$?
  [ "$status" = $((128 + $(kill -l "$signal"))) ] || fail "SIG$signal: exited $status"
  [ -z "$(find "$work/big" -name '.w2m-enc-*')" ] || fail "SIG$signal left a temporary file"
  [ "$(find "$work/big" -name 't?.wav' | wc -l)" = 4 ] || fail "SIG$signal lost a WAV file"
  [ "$(find "$work/big" -name '*.mp3' | wc -l)" -lt 4 ] || fail "SIG$signal came after the batch"
  for mp3 in "$work"/big/*.mp3; do
    [ -e "$mp3" ] || continue
    awk -v s="$(seconds "$mp3")" 'BEGIN { exit !(s > 39.9) }' || fail "$mp3 is not complete"
  done
done
echo "wav2mp3tag-cli converted, tagged, refused and stopped as expected"
