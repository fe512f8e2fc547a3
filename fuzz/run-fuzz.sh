#!/usr/bin/env bash
# run-fuzz.sh TARGET CORPUS SECONDS [SEEDSCRIPT]: makes the seed corpus (when a
# seed script exists) and runs TARGET for a bounded time and memory.
set -euo pipefail
target=$1 corpus=$2 seconds=$3 seeds=${4:-}
mkdir -p "$corpus"
if [ -n "$seeds" ] && [ -f "$seeds" ]; then
  bash "$seeds" "$corpus"
fi
exec "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=1024 \
  -timeout=10 -print_final_stats=1 "$corpus"
