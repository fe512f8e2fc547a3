#!/usr/bin/env bash
# Seeds for bmp_reader_fuzz: small pictures at every bit depth, run-length
# encoded ones, a core header and a 32-bit picture with alpha.
set -euo pipefail
out=$1
src="$out/src.png"
grad="$out/grad.png"
convert -size 7x5 xc:white -fill red -draw 'rectangle 0,0 3,2' -fill blue -draw 'point 6,4' "$src"
convert -size 9x20 gradient:red-blue "$grad"
convert "$src" -monochrome BMP3:"$out/bits1.bmp"
convert "$src" -type palette BMP3:"$out/bits4.bmp"
convert "$grad" -type palette BMP3:"$out/bits8.bmp"
convert "$grad" -type palette -compress RLE BMP3:"$out/rle8.bmp"
convert "$src" -type truecolor BMP3:"$out/bits24.bmp"
convert "$src" -type truecolor -define bmp:subtype=RGB565 BMP:"$out/bits16.bmp"
convert "$src" -type truecolor -define bmp:subtype=RGB555 BMP3:"$out/bits16b.bmp"
convert "$src" -alpha set -channel A -evaluate set 50% +channel BMP:"$out/bits32.bmp"
convert "$src" -type palette BMP2:"$out/core.bmp"
rm -f "$src" "$grad"
