#!/usr/bin/env bash
# Seeds for the MPEG audio analysis: hand-made frames of every version and
# layer, Xing and VBRI headers, ID3v1 and ID3v2 tags (one with a lying size)
# and, when lame or ffmpeg is there, short real files.
set -uo pipefail
corpus=$1
mkdir -p "$corpus"
python3 - "$corpus" <<'PY'
import sys, os
out = sys.argv[1]
def be(v, n): return v.to_bytes(n, 'big')
def frames(h, length, count): return (h + b'\x11' * (length - 4)) * count
def syncsafe(n): return bytes([(n >> s) & 0x7f for s in (21, 14, 7, 0)])
cbr = bytes.fromhex('fffb9000')
xing = cbr + b'\0' * 32 + b'Xing' + be(3, 4) + be(1000, 4) + be(417000, 4)
xing += b'\0' * (417 - len(xing))
vbri = cbr + b'\0' * 32 + b'VBRI' + be(1, 2) + be(0, 2) + be(75, 2) + be(313500, 4) + be(1500, 4)
vbri += b'\0' * (417 - len(vbri))
id3v2 = b'ID3\x03\x00\x00' + syncsafe(60) + b'TIT2' + be(5, 4) + b'\0\0' + b'\0Song' + b'\0' * 45
id3v1 = b'TAG' + b'Title'.ljust(30, b'\0') + b'A'.ljust(30, b'\0') + b'B'.ljust(30, b'\0') + b'1999' + b'c'.ljust(28, b'\0') + b'\0\x07\x11'
seeds = {
    'cbr.mp3': frames(cbr, 417, 12),
    'xing.mp3': xing + frames(cbr, 417, 10),
    'vbri.mp3': vbri + frames(cbr, 417, 10),
    'mpeg2.mp3': frames(bytes.fromhex('fff380c0'), 208, 20),
    'mpeg25.mp3': frames(bytes.fromhex('ffe34000'), 208, 20),
    'layer1.mp3': frames(bytes.fromhex('ffffe200'), 491, 10),
    'layer2.mp3': frames(bytes.fromhex('fffda800'), 864, 6),
    'tags.mp3': id3v2 + frames(cbr, 417, 10) + id3v1,
    'lying-id3.mp3': b'ID3\x03\x00\x00' + syncsafe(0x0fffffff) + frames(cbr, 417, 10),
    'junk-prefix.mp3': b'\x22' * 3000 + frames(cbr, 417, 12),
    'wave.mp3': b'RIFF\0\0\0\0WAVEfmt ' + b'\0' * 40 + frames(cbr, 417, 8),
}
for name, data in seeds.items():
    with open(os.path.join(out, name), 'wb') as f:
        f.write(data)
PY
if command -v ffmpeg >/dev/null 2>&1; then
  ffmpeg -v error -y -f lavfi -i sine=sample_rate=22050 -t 0.3 -c:a libmp3lame -id3v2_version 3 \
    -metadata title=Tone "$corpus/ffmpeg.mp3" || true
  if command -v lame >/dev/null 2>&1; then
    ffmpeg -v error -y -f lavfi -i sine=sample_rate=44100 -t 0.3 "$corpus/tone.wav" &&
      lame --quiet -V 5 --tt Tone --add-id3v2 "$corpus/tone.wav" "$corpus/lame-vbr.mp3" || true
    rm -f "$corpus/tone.wav"
  fi
fi
exit 0
