#!/usr/bin/env bash
# dvd_ratio.sh [BINDIR] [SECONDS]: authors a DVD with one PAL title of
# SECONDS (default 120) and two audio tracks, then compares reading the whole
# title through the title stream (dvd_bench) with cat of its VOB files, both
# from the page cache. Prints the ratio of the best times per byte
# (title stream / cat); the aim is 1.5 or less.
set -euo pipefail
bindir=${1:-$(dirname "$0")/../build/bin}
seconds=${2:-120}
bench="$bindir/dvd_bench"
[ -x "$bench" ] || { echo "dvd_ratio: $bench not found (build dvd_bench first)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ffmpeg -hide_banner -nostdin -loglevel fatal -y \
  -f lavfi -i "testsrc=s=720x576:r=25:d=$seconds" \
  -f lavfi -i "sine=f=440:r=48000:d=$seconds" -f lavfi -i "sine=f=880:r=48000:d=$seconds" \
  -map 0:v -map 1:a -map 2:a -target pal-dvd -g 12 -b:v 6000k -c:a ac3 "$work/t.mpg"
cat > "$work/dvd.xml" <<XML
<dvdauthor dest="$work/dvd"><vmgm/><titleset><titles>
 <video format="pal" aspect="4:3"/><audio lang="en"/><audio lang="fr"/>
 <pgc><vob file="$work/t.mpg" chapters="0,0:30,1:00"/></pgc>
</titles></titleset></dvdauthor>
XML
VIDEO_FORMAT=PAL dvdauthor -x "$work/dvd.xml" >"$work/dvdauthor.log" 2>&1 ||
  { cat "$work/dvdauthor.log" >&2; exit 1; }
rm -f "$work/t.mpg"
vobs=("$work"/dvd/VIDEO_TS/VTS_01_*.VOB)
vobs=("${vobs[@]/*VTS_01_0.VOB/}")
cat "${vobs[@]}" >/dev/null  # into the page cache

REELCAST_BENCH_DVD="$work/dvd" "$bench" --benchmark_format=json >"$work/bench.json"

python3 - "$work/bench.json" "${vobs[@]}" <<'PY'
import json, os, resource, subprocess, sys, time
result = json.load(open(sys.argv[1]))["benchmarks"][0]
vobs = [v for v in sys.argv[2:] if v]
size = sum(os.path.getsize(v) for v in vobs)
scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[result.get("time_unit", "ns")]
# Per byte of the title's cells (the title is the whole VOB here).
title_bytes = result["bytes_per_second"] * result["cpu_time"] * scale
stream_cpu = result["cpu_time"] * scale / title_bytes
stream_wall = result["real_time"] * scale / title_bytes
# cat: best of 20 runs, wall time and processor time (user + system).
best_wall = best_cpu = None
for _ in range(20):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(["cat"] + vobs, stdout=subprocess.DEVNULL, check=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime
    best_wall = wall if best_wall is None else min(best_wall, wall)
    best_cpu = cpu if best_cpu is None else min(best_cpu, cpu)
cat_wall, cat_cpu = best_wall / size, max(best_cpu, 1e-3) / size
print(f"VOB files: {size / 1e6:.1f} MB, title read: {title_bytes / 1e6:.1f} MB")
print(f"title stream: {1e-6 / stream_cpu:.0f} MB/s processor, {1e-6 / stream_wall:.0f} MB/s wall")
print(f"cat:          {1e-6 / cat_cpu:.0f} MB/s processor, {1e-6 / cat_wall:.0f} MB/s wall")
print(f"ratio (title stream / cat): processor {stream_cpu / cat_cpu:.2f}, wall {stream_wall / cat_wall:.2f}")
PY
