#!/usr/bin/env bash
# Installs the Debian packages Pixovia needs to build, test and run, skipping those already
# present. Non-interactive; uses sudo when not run as root.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-image-formats-plugins libgl-dev
  libpugixml-dev libgif-dev libjpeg62-turbo-dev libpng-dev libtiff-dev libdeflate-dev libjemalloc-dev
  libheif-dev libde265-0 libavif-dev libdav1d-dev libwebp-dev libjxl-dev
  libheif-examples libavif-bin webp libjxl-tools
  libgtest-dev liblcms2-dev libexiv2-dev
  libimage-exiftool-perl liblcms2-utils
  dbus at-spi2-core python3-pyatspi python3-pil xclip xdotool
  clang libclang-rt-14-dev
  xvfb xauth fonts-dejavu-core libqt6svg6 desktop-file-utils xdg-utils
  ccache clang-format
)
if [ "${1:-}" = "--bench" ]; then
  packages+=(imagemagick graphicsmagick libvips-tools libjpeg-turbo-progs time)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
