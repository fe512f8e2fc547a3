#!/usr/bin/env bash
# The desktop program's responsiveness, under Xvfb: the time from process
# start to the main window shown (the splash window's time left out), and the
# longest stall of the UI thread's event loop while a conversion of the test
# DVD's first title runs. Goals: 500 ms and 50 ms.
# Usage: bench/desktop_bench.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dvd=$(find "$root/tests/fixtures/cache" -maxdepth 1 -name 'make_dvd-*' -type d | head -1)
if [ -z "$dvd" ]; then
  echo "desktop_bench: run the GUI tests once first (they make the test DVD)" >&2
  exit 1
fi
cat > "$work/script.txt" <<SCRIPT
answer-path $dvd
click btnOpen
click btnPublish
click rbFLV
set beOutDir $work/out.flv
stalls start
click btnConvert
wait-window frmConverter
wait-closed frmConverter
stalls report
quit
SCRIPT
mkdir -p "$work/home"
out=$(REELCAST_HOME="$work/home" REELCAST_REPORT_STARTUP=1 REELCAST_AUTOMATION="$work/script.txt" \
  xvfb-run -a -s "-screen 0 1280x800x24" "$build/bin/reelcast" 2>&1)
startup=$(echo "$out" | sed -n 's/.*main window shown \([0-9]*\) ms.*/\1/p' | head -1)
stall=$(echo "$out" | sed -n 's/^stall: \([0-9]*\) ms/\1/p' | tail -1)
echo "start-up to main window: ${startup:-?} ms (goal <= 500 ms, splash excluded)"
echo "longest UI-thread stall during a conversion: ${stall:-?} ms (goal <= 50 ms)"
