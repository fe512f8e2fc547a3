#!/usr/bin/env bash
# Sets up a fresh machine, builds Reelcast and runs one conversion:
#   scripts/convert.sh [DVD_FOLDER] [reelcast-cli convert options...]
# Without a folder it converts the generated sample DVD.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target reelcast-cli reelcast_data
exec build/bin/reelcast-cli convert "$@"
