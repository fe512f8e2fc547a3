#!/usr/bin/env bash
# Seeds for the SWF reader: small hand-made movies (plain and compressed,
# control and action tags, long headers, damaged files) and, when ffmpeg is
# there, two tiny movies from its swf muxer.
set -uo pipefail
corpus=$1
mkdir -p "$corpus"
python3 - "$corpus" <<'PY'
import struct, sys, zlib, os
out = sys.argv[1]
def tag(code, body, long=False):
    if len(body) < 63 and not long:
        return struct.pack('<H', code << 6 | len(body)) + body
    return struct.pack('<HI', code << 6 | 63, len(body)) + body
def movie(body, version=6, compressed=False, frames=1):
    rest = bytes.fromhex('7800055F00000FA000') + struct.pack('<HH', 12 << 8, frames) + body
    length = 8 + len(rest)
    if compressed:
        return b'CWS' + bytes([version]) + struct.pack('<I', length) + zlib.compress(rest)
    return b'FWS' + bytes([version]) + struct.pack('<I', length) + rest
actions = (bytes.fromhex('9608000061000701000000') + bytes.fromhex('9902000100') + b'\x07\x06'
           + bytes.fromhex('8E1700660000010002002A0001780002790004000700')
           + bytes.fromhex('8F0E000300010002000000650000') + b'\x07\x07\x07\x00')
body = (tag(9, b'\xff\x00\x00') + tag(69, b'\x19\x00\x00\x00') + tag(43, b'start\x00\x01')
        + tag(24, b'\x00\x00$1$ab$oKsM6dtDD2L1bKowOBX.7.\x00') + tag(12, actions)
        + tag(59, b'\x03\x00' + actions) + tag(56, b'\x01\x00\x01\x00a\x00')
        + tag(57, b'lib.swf\x00\x01\x00\x02\x00b\x00') + tag(78, b'\x01\x00\x48\x51\x90\x14\x32\x00')
        + tag(77, b'<rdf/>\x00') + tag(76, b'x' * 70) + tag(20, b'\x01' * 10, True)
        + tag(1, b'') + tag(0, b''))
seeds = {
    'plain.swf': movie(body),
    'compressed.swf': movie(body, compressed=True),
    'version3.swf': movie(tag(12, b'\x07\x00') + tag(1, b'') + tag(0, b''), version=3),
    'cut.swf': movie(body)[:-30],
    'long-lie.swf': movie(struct.pack('<HI', 76 << 6 | 63, 0x7fffffff) + b'abc'),
    'empty-body.swf': movie(b''),
}
for name, data in seeds.items():
    with open(os.path.join(out, name), 'wb') as f:
        f.write(data)
PY
if command -v ffmpeg >/dev/null 2>&1; then
  for codec in flv mjpeg; do
    ffmpeg -v error -y -f lavfi -i testsrc=size=32x24:rate=5 -f lavfi -i sine=sample_rate=11025 \
      -t 0.4 -c:v "$codec" -c:a libmp3lame -ar 11025 -f swf "$corpus/ffmpeg-$codec.swf" || true
  done
fi
exit 0
