#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test Orvel.
# Idempotent: packages already present are left alone. Runs as root or via sudo.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6opengl6-dev
  libqt6sql6-sqlite qt6-image-formats-plugins qt6-translations-l10n libgl-dev libx11-dev libxext-dev libxcb1-dev
  libmpv-dev libmpv2 mpv
  libtag1-dev zlib1g-dev
  fonts-inter
  ffmpeg xvfb xauth libgl1-mesa-dri dbus dbus-x11 procps openbox x11-utils
  playerctl libglib2.0-bin desktop-file-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
