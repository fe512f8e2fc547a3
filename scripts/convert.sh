#!/usr/bin/env bash
# Sets up a fresh machine, builds Reelcast and runs one conversion:
#   scripts/convert.sh [DVD_FOLDER] [reelcast-cli convert options...]
# Without a folder it authors the sample DVD of the tests and converts it
# to build/sample-dvd/sample.flv.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target reelcast-cli reelcast_data
if [ $# -eq 0 ] || [ "${1#-}" != "$1" ]; then
  sample=build/sample-dvd
  if [ ! -d "$sample/VIDEO_TS" ]; then
    rm -rf "$sample"
    bash tests/fixtures/make_dvd.sh "$sample"
  fi
  has_output=no
  for a in "$@"; do
    if [ "$a" = "-o" ] || [ "$a" = "--output" ]; then has_output=yes; fi
  done
  if [ $has_output = no ]; then
    set -- -o "$sample/sample.flv" --yes "$@"
  fi
  set -- "$sample" "$@"
fi
exec build/bin/reelcast-cli convert "$@"
