#!/usr/bin/env bash
# Installs every Debian package that building Reelcast and running its tests need.
# Idempotent: when everything is present it only checks and stays quiet.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config git ccache clang libclang-rt-14-dev
  # libraries the program links
  libavformat-dev libavcodec-dev libavfilter-dev libavutil-dev libswscale-dev libswresample-dev
  libdvdread-dev zlib1g-dev libjpeg62-turbo-dev libpng-dev libfreetype-dev libfontconfig-dev
  libpugixml-dev libcurl4-openssl-dev
  # the desktop front end (Qt 6 Widgets, the web view of the Flash panel, audio out)
  qt6-base-dev qt6-webengine-dev qt6-multimedia-dev
  # test and benchmark frameworks
  libgtest-dev libgmock-dev libbenchmark-dev
  # outside tools that make fixtures and check our output
  ffmpeg dvdauthor lame imagemagick python3 python3-pyftpdlib
  chromium xvfb xauth
  # the desktop benchmark's outside Qt program (pixeltool)
  qt6-tools-dev-tools
  # fonts the text tests render with
  fonts-dejavu-core fonts-liberation2
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# The machine image may bring its own Node.js with npm; Debian's npm package
# conflicts with that, so Debian's are only taken when there is none.
if ! command -v npm >/dev/null 2>&1; then
  for p in nodejs npm; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
fi

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "install-deps: missing ${missing[*]}; run this script as root or install sudo" >&2
    exit 1
  fi
  SUDO="sudo"
fi
echo "install-deps: installing ${missing[*]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "install-deps: done"
