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
# One tag of each family (shapes, bitmaps, sound and video, fonts and text,
# placements with clip actions and filters, buttons, a sprite).
families = [(32, '0200000100FF0000800114000000FFFF1100'),
            (83, '05000000010001010028008001004030201001 00'),
            (2, '060000014009000000108134 00'), (21, '0100FFD9FFD8FFD8FFE000FFD9'),
            (35, '030007000000FFD9FFD8FFD8AA789C'), (36, '0500030400040 00F78'),
            (14, '01002F800400004002FFFB'), (15, '03001D0A000000020001 44AC0000008000 00'),
            (18, '0E2E80040000'), (60, '010064004001F000 0102'), (61, '010007000084'),
            (48, '0100000001460200 06000B001000 1013A0A000 1013A0A000 4142'),
            (62, '03000146030141004200'), (11, '050000000609 8801 00F00003 04C811E03FB000'),
            (37, '070000 8D2001 00F000000000FF020000000000000000760068 6900'),
            (74, '070050000080 3F0000000000'), (73, '0100400200 3C00010000020080'),
            (26, '820100010000000200000002000000020000000700000000 00'),
            (70, '0203010002000101000004000080000008 03'),
            (34, '0300010300000600 0801070000 00001A0600'),
            (7, '0400040200010000008102000100 00'), (17, '0500000007000000000000'),
            (39, '0600010085060201000100400000 00')]
family_body = b''.join(tag(code, bytes.fromhex(hexbody.replace(' ', '')), code in (36, 60))
                       for code, hexbody in families) + tag(1, b'') + tag(0, b'')
seeds = {
    'families.swf': movie(family_body),
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
# The program's own movies: the control bars, preloaders and templates of
# the data folder, and a published movie with a bar, a link and a preloader.
if [ -n "${REELCAST_DATA_DIR:-}" ] && [ -d "$REELCAST_DATA_DIR" ]; then
  find "$REELCAST_DATA_DIR" -name '*.swf' -size -64k -print0 |
    while IFS= read -r -d '' f; do
      name=$(basename "$f" .swf | tr ' ' '_')
      cp "$f" "$corpus/data-$name.swf"
    done
fi
cli=${REELCAST_BIN_DIR:-}/reelcast-cli
if [ -x "$cli" ] && command -v ffmpeg >/dev/null 2>&1; then
  work=$(mktemp -d)
  ffmpeg -v error -y -f lavfi -i testsrc=size=32x24:rate=5 -f lavfi -i sine=sample_rate=11025 \
    -t 0.6 -c:v flv1 -c:a libmp3lame -ar 11025 "$work/in.flv" &&
    REELCAST_HOME="$work/home" ASAN_OPTIONS=detect_leaks=0 "$cli" flv2swf "$work/in.flv" \
      "$corpus/published.swf" --template none --control-bar Classic --text-link Go \
      --url example.com --preloader >/dev/null 2>&1 || true
  rm -rf "$work"
fi
exit 0
