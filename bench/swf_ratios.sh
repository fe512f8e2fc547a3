#!/usr/bin/env bash
# swf_ratios.sh [BINDIR] [MEGABYTES]: times reelcast-cli on a video SWF of
# MEGABYTES (default 100) against the outside tools doing the same work:
#   rewrite (tags copied as read)     against  cp of the same file
#   rewrite --objects (tags rebuilt)   against  cp of the same file
#   rewrite --compress (zlib level 6)  against  gzip -6 of the same file,
#                                      on every processor and on one (taskset)
# Prints the ratios of the best wall times and of the best processor times.
set -euo pipefail
bindir=${1:-$(dirname "$0")/../build/bin}
megabytes=${2:-100}
cli="$bindir/reelcast-cli"
[ -x "$cli" ] || { echo "swf_ratios: $cli not found (build reelcast-cli first)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A movie of video frames (incompressible bytes, as encoded video is), a
# sound block and a ShowFrame per frame.
python3 - "$work/video.swf" "$megabytes" <<'PY'
import os, struct, sys
path, megabytes = sys.argv[1], int(sys.argv[2])
def tag(code, body):
    if len(body) < 63 and code not in (20, 36, 60):
        return struct.pack('<H', code << 6 | len(body)) + body
    return struct.pack('<HI', code << 6 | 63, len(body)) + body
rest = bytes.fromhex('7800055F00000FA000') + struct.pack('<HH', 25 << 8, 0)
chunks = [tag(60, struct.pack('<HHHHBB', 1, 0, 640, 480, 0, 2))]
size, frames = 0, 0
target = megabytes << 20
while size < target:
    video = tag(61, struct.pack('<HH', 1, frames) + os.urandom(40000))
    sound = tag(19, os.urandom(1200))
    chunks += [video, sound, tag(1, b'')]
    size += len(video) + len(sound) + 2
    frames += 1
chunks.append(tag(0, b''))
body = b''.join(chunks)
rest = rest[:-2] + struct.pack('<H', frames & 0xFFFF)
length = 8 + len(rest) + len(body)
with open(path, 'wb') as f:
    f.write(b'FWS\x08' + struct.pack('<I', length) + rest + body)
PY

cat "$work/video.swf" >/dev/null  # into the page cache

# Each command runs five times; the best wall time and the best processor
# time (user + system, of the command alone) count.
python3 - "$work" "$cli" <<'PY'
import os, resource, subprocess, sys, time
work, cli = sys.argv[1], sys.argv[2]
src = os.path.join(work, 'video.swf')

def measure(argv, stdout=subprocess.DEVNULL):
    walls, cpus = [], []
    for _ in range(5):
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        with open(stdout, 'wb') if isinstance(stdout, str) else open(os.devnull, 'wb') as out:
            subprocess.run(argv, stdout=out, check=True)
        walls.append(time.perf_counter() - start)
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpus.append(after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime)
    return min(walls), min(cpus)

cp = measure(['cp', src, os.path.join(work, 'copy.swf')])
# The program's own start (loading its libraries) is paid by every command;
# it is shown apart, and the rewrites are also given without it.
start = measure([cli, '--version'])
rewrite = measure([cli, 'swf', 'rewrite', src, os.path.join(work, 'rewrite.swf')])
with open(src, 'rb') as a, open(os.path.join(work, 'rewrite.swf'), 'rb') as b:
    if a.read() != b.read():
        sys.exit('swf_ratios: the rewrite differs from its input')
objects = measure([cli, 'swf', 'rewrite', src, os.path.join(work, 'objects.swf'), '--objects'])
gzip = measure(['gzip', '-6', '-c', src], stdout=os.path.join(work, 'video.gz'))
packed = measure([cli, 'swf', 'rewrite', src, os.path.join(work, 'packed.swf'), '--compress'])
gzip1 = measure(['taskset', '-c', '0', 'gzip', '-6', '-c', src], stdout=os.path.join(work, 'video.gz'))
packed1 = measure(['taskset', '-c', '0', cli, 'swf', 'rewrite', src, os.path.join(work, 'packed.swf'),
                   '--compress'])

print('file: %d bytes of video SWF' % os.path.getsize(src))
print('rewrite vs cp:            wall %.3f / %.3f s = %.2f, processor %.3f / %.3f s = %.2f (aim: 1.5)'
      % (rewrite[0], cp[0], rewrite[0] / cp[0], rewrite[1], cp[1], rewrite[1] / max(cp[1], 1e-3)))
print('rewrite --objects vs cp:  wall %.3f / %.3f s = %.2f, processor %.3f / %.3f s = %.2f (aim: 2.5)'
      % (objects[0], cp[0], objects[0] / cp[0], objects[1], cp[1], objects[1] / max(cp[1], 1e-3)))
print('program start (--version): wall %.3f s, processor %.3f s; without it, rewrite vs cp: wall %.2f, '
      'processor %.2f; --objects vs cp: wall %.2f, processor %.2f'
      % (start[0], start[1], (rewrite[0] - start[0]) / cp[0], (rewrite[1] - start[1]) / max(cp[1], 1e-3),
         (objects[0] - start[0]) / cp[0], (objects[1] - start[1]) / max(cp[1], 1e-3)))
print('compressed vs gzip -6:    wall %.3f / %.3f s = %.2f, processor %.3f / %.3f s = %.2f (aim: 0.6)'
      % (packed[0], gzip[0], packed[0] / gzip[0], packed[1], gzip[1], packed[1] / max(gzip[1], 1e-3)))
print('one processor, compressed vs gzip -6: wall %.3f / %.3f s = %.2f (aim: 1)'
      % (packed1[0], gzip1[0], packed1[0] / gzip1[0]))
PY
