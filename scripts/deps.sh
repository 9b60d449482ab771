#!/usr/bin/env bash
# Installs every Debian package that building, testing and running wav2mp3tag needs.
# Idempotent: packages already installed are left alone and apt is not asked at all.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-gtk-platformtheme qt6-qpa-plugins
  libtag1-dev libmp3lame-dev libsndfile1-dev
  libgtest-dev libgmock-dev
  fonts-noto-cjk qt6-translations-l10n
  libebur128-dev
  lame xvfb xauth xdotool x11-utils openbox
  clang libclang-rt-14-dev clang-format
  desktop-file-utils appstream
  ffmpeg libimage-exiftool-perl mediainfo kid3-cli eyed3
  bindfs
  python3-pyatspi at-spi2-core dbus
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
