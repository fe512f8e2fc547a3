#!/usr/bin/env bash
# swf_memory.sh [BINDIR] [MINUTES] [FPS]: writes movies of an FLV of MINUTES
# (default 30) of 800x600 video at FPS (default 25; about 12 kB a frame and
# 128 kbit/s MP3 sound, payload bytes random as encoded media are) and
# reports each command's peak resident memory above that of the program's
# start (--version of the program the command runs in); the aim is under
# 64 MB whatever the length. A movie holds at most 65535 frames, so the
# longest movies are those of a low rate: 120 9 is a 2-hour movie of
# 64800 frames (a 2.3 GB FLV).
# Also times the compressed embedded-video movie against gzip -6 of the FLV.
set -euo pipefail
bindir=${1:-$(dirname "$0")/../build/bin}
minutes=${2:-30}
fps=${3:-25}
cli="$bindir/reelcast-cli"
[ -x "$cli" ] || { echo "swf_memory: $cli not found (build reelcast-cli first)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work/movie.flv" "$minutes" "$fps" <<'PY'
import os, struct, sys
path, minutes, fps = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
def be(v, n): return v.to_bytes(n, 'big')
def tag(kind, ms, data):
    return bytes([kind]) + be(len(data), 3) + be(ms & 0xFFFFFF, 3) + bytes([ms >> 24 & 0xFF]) + \
        b'\0\0\0' + data + be(11 + len(data), 4)
# A Sorenson H.263 picture header of 800x600 (size code 1, 16-bit sizes).
bits = '1'.zfill(17) + '00000' + '00000000' + '001' + format(800, '016b') + format(600, '016b')
bits += '0' * (-len(bits) % 8)
header = bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))
mp3 = b'\xFF\xFB\x90\x64'  # MPEG-1 layer III, 128 kbit/s, 44.1 kHz: 417 bytes
random = os.urandom(1 << 20)
frames = minutes * 60 * fps
with open(path, 'wb') as f:
    f.write(b'FLV\x01\x05' + be(9, 4) + be(0, 4))
    audio_ms = 0.0
    at = 0
    for i in range(frames):
        ms = i * 1000 // fps
        size = 9000 + (i * 7919) % 6000
        if at + size > len(random): at = 0
        f.write(tag(9, ms, b'\x22' + header + random[at:at + size]))
        at += size
        while audio_ms < (i + 1) * 1000 / fps:
            f.write(tag(8, int(audio_ms), b'\x2E' + mp3 + random[at % 1000:at % 1000 + 413]))
            audio_ms += 1152 / 44.1
PY
head -c $((1 << 20)) /dev/urandom > "$work/random.bin"
python3 - "$work/music.mp3" <<'PY'
import sys
frame = b'\xFF\xFB\x90\x64' + bytes(413)
open(sys.argv[1], 'wb').write(frame * 2000)  # 52 s, looped by the wrapper
PY
cat "$work/movie.flv" >/dev/null  # into the page cache

python3 - "$work" "$cli" "$minutes" "$fps" <<'PY'
import os, subprocess, sys, time
work, cli = sys.argv[1], sys.argv[2]
flv = os.path.join(work, 'movie.flv')

def run(argv, stdout=subprocess.DEVNULL):
    """Wall seconds and peak resident kB of one child."""
    start = time.perf_counter()
    with open(stdout, 'wb') if isinstance(stdout, str) else open(os.devnull, 'wb') as out:
        child = subprocess.Popen(argv, stdout=out, stderr=subprocess.DEVNULL,
                                 env=dict(os.environ, REELCAST_HOME=os.path.join(work, 'home')))
        _, status, usage = os.wait4(child.pid, 0)
    if status != 0:
        sys.exit('swf_memory: %s failed' % ' '.join(argv))
    return time.perf_counter() - start, usage.ru_maxrss

# flv2swf runs in reelcast-cli-full (with the media libraries), swf in
# reelcast-cli itself: each is measured above the start of the program it
# runs in.
_, base = run([cli, '--version'])
_, fullBase = run([cli + '-full', '--version'])
print('FLV: %.0f MB, %s min at %s fps; program start: %.1f MB resident (reelcast-cli-full: %.1f MB)'
      % (os.path.getsize(flv) / 1e6, sys.argv[3], sys.argv[4], base / 1024, fullBase / 1024))
out = lambda name: os.path.join(work, name)
commands = [
    ('flv2swf, embedded video, compressed', [cli, 'flv2swf', flv, out('embedded.swf'), '--template', 'none']),
    ('flv2swf, player template, embedded', [cli, 'flv2swf', flv, out('player.swf'),
                                            '--template', 'player:Classic Gray', '--embed-mode', 'embed']),
    ('flv2swf, music wrapper', [cli, 'flv2swf', flv, out('music.swf'), '--template', 'none',
                                '--music', out('music.mp3'), '--music-loop']),
    ('flv2swf, music wrapper, control bar', [cli, 'flv2swf', flv, out('bar.swf'), '--template', 'none',
                                             '--music', out('music.mp3'), '--music-loop',
                                             '--control-bar', 'Classic', '--play-mode', 'replay']),
    ('flv2swf, general template with music', [cli, 'flv2swf', flv, out('general.swf'),
                                              '--template', 'general:Film Strip',
                                              '--music', out('music.mp3'), '--music-loop']),
    ('swf rewrite, raw', [cli, 'swf', 'rewrite', out('embedded.swf'), out('raw.swf'), '--uncompress']),
    ('swf rewrite --objects', [cli, 'swf', 'rewrite', out('raw.swf'), out('objects.swf'), '--objects']),
    ('swf rewrite --objects, music wrapper', [cli, 'swf', 'rewrite', out('music.swf'), out('music2.swf'),
                                              '--objects']),
]
for name, argv in commands:
    wall, peak = run(argv)
    start = base if argv[1] == 'swf' else fullBase
    print('%-42s wall %6.2f s, peak above start %7.1f MB (aim: < 64)' % (name, wall, (peak - start) / 1024))
gzip_wall, _ = run(['gzip', '-6', '-c', flv], stdout=out('movie.flv.gz'))
embed_wall, _ = run(commands[0][1] + ['-y'])  # replaces the movie written above
print('compressed embedded movie vs gzip -6 of the FLV: %.2f / %.2f s = %.2f (aim: 0.6)' %
      (embed_wall, gzip_wall, embed_wall / gzip_wall))
PY
