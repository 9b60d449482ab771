#!/usr/bin/env bash
# An installed copy keeps its settings in the user's configuration folder and never writes
# beside its read-only executable; a portable copy in a writable folder keeps writing beside
# itself. Both are real runs of the program on the offscreen platform, closed the way the
# system closes programs (SIGTERM), which saves the settings.
set -euo pipefail
build_dir=$1
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null || true; rm -rf "$work"' EXIT

export QT_QPA_PLATFORM=offscreen

# Starts the program, waits until it handles SIGTERM, then asks it to close.
run_and_close() {
  "$@" &
  local pid=$!
  local caught=0
  for _ in $(seq 1 200); do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "the program ended by itself"; wait "$pid" || true; return 1
    fi
    mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
    # SIGTERM is signal 15: bit 14 of the caught-signals mask.
    if (( (16#$mask >> 14) & 1 )); then caught=1; break; fi
    sleep 0.05
  done
  [ "$caught" = 1 ] || { echo "the program never took SIGTERM"; kill -9 "$pid"; return 1; }
  sleep 0.3
  kill -TERM "$pid"
  wait "$pid"
}

# --- installed into a prefix whose bin folder is read-only
prefix=$work/prefix
cmake --install "$build_dir" --prefix "$prefix" > /dev/null
test -x "$prefix/bin/wav2mp3tag"
test -f "$prefix/share/wav2mp3tag/GenreList.txt"
test -f "$prefix/share/wav2mp3tag/readme.txt"
test -f "$prefix/share/applications/wav2mp3tag.desktop"
test -f "$prefix/share/man/man1/wav2mp3tag-cli.1"
# The command line beside it finds the same libraries.
"$prefix/bin/wav2mp3tag-cli" --version | grep -q '^wav2mp3tag-cli '
chmod a-w "$prefix/bin"
mkdir -p "$work/home" "$work/config"
HOME=$work/home XDG_CONFIG_HOME=$work/config run_and_close "$prefix/bin/wav2mp3tag"
ini=$work/config/wav2mp3tag/wav2mp3tag.ini
[ -f "$ini" ] || { echo "no settings in the config folder"; ls -R "$work/config"; exit 1; }
[ ! -e "$prefix/bin/wav2mp3tag.ini" ] || { echo "settings written beside the installed program"; exit 1; }
head -1 "$ini" | grep -q '^\[Option\]' || { echo "unexpected settings file:"; cat "$ini"; exit 1; }

# --- a portable copy in a writable folder
portable=$work/portable
cp -r "$build_dir/bin" "$portable"
rm -f "$portable"/*.ini
mkdir -p "$work/home2" "$work/config2"
HOME=$work/home2 XDG_CONFIG_HOME=$work/config2 run_and_close "$portable/wav2mp3tag"
[ -f "$portable/wav2mp3tag.ini" ] || { echo "portable copy did not write beside itself"; exit 1; }
[ ! -e "$work/config2/wav2mp3tag" ] || { echo "portable copy wrote into the config folder"; exit 1; }
# --- closed by the system with a read-only settings file: no question keeps it alive
printf '[Form]\r\nLeft="7"\r\n' > "$portable/wav2mp3tag.ini"
chmod a-w "$portable/wav2mp3tag.ini"
before=$(md5sum < "$portable/wav2mp3tag.ini")
HOME=$work/home2 XDG_CONFIG_HOME=$work/config2 "$portable/wav2mp3tag" &
pid=$!
sleep 1.5
kill -TERM "$pid"
for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
  echo "still running 10 s after SIGTERM with a read-only settings file"; kill -9 "$pid"; exit 1
fi
wait "$pid" || true
[ "$(md5sum < "$portable/wav2mp3tag.ini")" = "$before" ] || { echo "read-only settings changed"; exit 1; }
echo "installed and portable locations as expected"
