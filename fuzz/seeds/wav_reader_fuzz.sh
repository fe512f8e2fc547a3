#!/usr/bin/env bash
# Seeds for the WAV import: hand-made PCM files (8 and 16 bit, mono and
# stereo), an extensible record, MP3 frames inside a WAV, chunks that lie
# about their size, and, when ffmpeg is there, short real files.
set -uo pipefail
corpus=$1
mkdir -p "$corpus"
python3 - "$corpus" <<'PY'
import sys, os, struct
out = sys.argv[1]
def chunk(cid, body, claimed=None):
    c = cid + struct.pack('<I', len(body) if claimed is None else claimed) + body
    return c + (b'\0' if len(body) & 1 else b'')
def fmt(tag, ch, rate, bits, extra=b''):
    align = ch * bits // 8
    return struct.pack('<HHIIHH', tag, ch, rate, rate * align, align, bits) + extra
def riff(chunks): return b'RIFF' + struct.pack('<I', len(chunks) + 4) + b'WAVE' + chunks
ramp = bytes(i * 7 & 0xff for i in range(2000))
mp3 = (bytes.fromhex('fffb9000') + b'\x55' * 413) * 6
ext = fmt(0xFFFE, 2, 22050, 16, struct.pack('<HHI', 22, 16, 3) + struct.pack('<H', 1) + b'\0' * 14)
seeds = {
    'pcm16.wav': riff(chunk(b'fmt ', fmt(1, 2, 44100, 16)) + chunk(b'data', ramp)),
    'pcm8.wav': riff(chunk(b'fmt ', fmt(1, 1, 11025, 8)) + chunk(b'data', ramp[:441])),
    'ext.wav': riff(chunk(b'LIST', b'abc') + chunk(b'fmt ', ext) + chunk(b'data', ramp)),
    'mp3.wav': riff(chunk(b'fmt ', fmt(85, 2, 44100, 0, b'\0\0')) + chunk(b'data', mp3)),
    'open-data.wav': riff(chunk(b'fmt ', fmt(1, 1, 22050, 16)) + chunk(b'data', ramp, 0xFFFFFFFF)),
    'fmt-past-end.wav': riff(b'fmt ' + struct.pack('<I', 4000) + fmt(1, 1, 22050, 16)),
    'no-data.wav': riff(chunk(b'fmt ', fmt(1, 1, 22050, 16))),
    'rate48k.wav': riff(chunk(b'fmt ', fmt(1, 2, 48000, 16)) + chunk(b'data', ramp)),
}
for name, data in seeds.items():
    with open(os.path.join(out, name), 'wb') as f:
        f.write(data)
PY
if command -v ffmpeg >/dev/null 2>&1; then
  ffmpeg -v error -y -f lavfi -i sine=sample_rate=22050 -t 0.2 -c:a pcm_s16le "$corpus/ffmpeg-s16.wav" || true
  ffmpeg -v error -y -f lavfi -i sine=sample_rate=11025 -t 0.2 -c:a pcm_u8 "$corpus/ffmpeg-u8.wav" || true
fi
exit 0
