#!/usr/bin/env bash
# Seeds for dvd_ifo_fuzz: the information files of the test DVD (two title
# sets: chapters, audio codings, a subpicture stream).
set -euo pipefail
out=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bash "$(dirname "$0")/../../tests/fixtures/make_dvd.sh" "$work/dvd"
cp "$work/dvd/VIDEO_TS/VTS_01_0.IFO" "$out/vts1"
cp "$work/dvd/VIDEO_TS/VTS_02_0.IFO" "$out/vts2"
