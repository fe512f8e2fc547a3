#!/usr/bin/env bash
# startup_ratio.sh [BINDIR] [DVD_FOLDER]: start-up cost of reelcast-cli
# (dvd info on a DVD folder; the fixture DVD, authored here, by default)
# against ffmpeg -version, best wall time of 20 runs each, alternating.
# Prints both and their ratio; the aim is 1 or less.
set -euo pipefail
bindir=${1:-$(dirname "$0")/../build/bin}
cli="$bindir/reelcast-cli"
[ -x "$cli" ] || { echo "startup_ratio: $cli not found (build reelcast-cli first)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dvd=${2:-}
if [ -z "$dvd" ]; then
  dvd="$work/dvd"
  bash "$(dirname "$0")/../tests/fixtures/make_dvd.sh" "$dvd" >/dev/null 2>&1
fi
REELCAST_HOME="$work/home" "$cli" dvd info "$dvd" >/dev/null  # into the page cache
python3 - "$cli" "$dvd" "$work/home" <<'PY'
import os, subprocess, sys, time
cli, dvd, home = sys.argv[1:4]
env = dict(os.environ, REELCAST_HOME=home)
def once(argv):
    start = time.perf_counter()
    subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True, env=env)
    return time.perf_counter() - start
ours, theirs = [], []
for _ in range(20):
    ours.append(once([cli, 'dvd', 'info', dvd]))
    theirs.append(once(['ffmpeg', '-version']))
print('reelcast-cli dvd info: %.1f ms, ffmpeg -version: %.1f ms, ratio %.2f (aim: 1)'
      % (min(ours) * 1e3, min(theirs) * 1e3, min(ours) / min(theirs)))
PY
