#!/usr/bin/env bash
# Seeds for the FLV index: hand-made files (metadata with every value type,
# keyframes, VP6 and screen video headers, lying sizes, cut files) and, when
# ffmpeg is there, tiny FLVs from its muxer.
set -uo pipefail
corpus=$1
mkdir -p "$corpus"
python3 - "$corpus" <<'PY'
import struct, sys, os
out = sys.argv[1]
def be(v, n): return v.to_bytes(n, 'big')
def header(flags=5, size=9): return b'FLV\x01' + bytes([flags]) + be(size, 4) + (b'\0' * (size - 9)) + be(0, 4)
def tag(t, ts, data, declared=None):
    n = len(data) if declared is None else declared
    return bytes([t]) + be(n, 3) + be(ts & 0xFFFFFF, 3) + bytes([ts >> 24]) + be(0, 3) + data + be(11 + len(data), 4)
def s(x): return be(len(x), 2) + x
def num(v): return b'\0' + struct.pack('>d', v)
keyframes = (b'\x03' + s(b'filepositions') + b'\x0a' + be(2, 4) + num(13) + num(500)
             + s(b'times') + b'\x0a' + be(2, 4) + num(0) + num(1) + be(9, 3))
meta = (b'\x02' + s(b'onMetaData') + b'\x08' + be(0, 4) + s(b'duration') + num(2.0)
        + s(b'width') + num(320) + s(b'stereo') + b'\x01\x01' + s(b'encoder') + b'\x02' + s(b'x')
        + s(b'ref') + b'\x07\x00\x01' + s(b'date') + b'\x0b' + struct.pack('>d', 1e12) + b'\xff\xc4'
        + s(b'nested') + b'\x08' + be(1, 4) + s(b'a') + num(1) + s(b'keyframes') + keyframes + be(9, 3))
h263 = b'\x12\x00\x00\x84\x00\x50\x00' + b'\x55' * 20
vp6 = b'\x14\x00\x00\x00\x0f\x14' + b'\x55' * 10
screen = b'\x13\x31\x40\x20\xf0' + b'\x55' * 10
mp3 = b'\x2e\xff\xfb\x90\x64' + b'\x11' * 30
nelly = b'\x6e' + b'\x22' * 64
video = b''.join(tag(9, i * 40, h263) for i in range(5))
seeds = {
    'h263-mp3.flv': header() + tag(18, 0, meta) + video + tag(8, 0, mp3) + tag(8, 26, mp3),
    'vp6.flv': header() + tag(9, 0, vp6) + tag(9, 33, vp6),
    'vp6-meta.flv': header() + tag(18, 0, meta) + tag(9, 0, vp6),
    'screen-nelly.flv': header() + tag(9, 0, screen) + tag(8, 0, nelly) + tag(9, 100, screen),
    'adpcm.flv': header() + tag(8, 0, b'\x1e' + b'\0' * 10) + video,
    'lying-size.flv': header() + video + tag(9, 200, h263, 0xFFFFFF) + video,
    'cut.flv': (header() + video)[:-17],
    'long-header.flv': header(5, 40) + video,
    'only-header.flv': header(),
}
for name, data in seeds.items():
    with open(os.path.join(out, name), 'wb') as f:
        f.write(data)
PY
if command -v ffmpeg >/dev/null 2>&1; then
  ffmpeg -v error -y -f lavfi -i testsrc=size=32x24:rate=5 -f lavfi -i sine=sample_rate=11025 \
    -t 0.6 -c:v flv1 -c:a libmp3lame -ar 11025 -flvflags add_keyframe_index "$corpus/ffmpeg-h263.flv" || true
  ffmpeg -v error -y -f lavfi -i testsrc=size=32x24:rate=5 -f lavfi -i sine=sample_rate=22050 \
    -t 0.6 -c:v flashsv -c:a nellymoser "$corpus/ffmpeg-screen.flv" || true
fi
exit 0
