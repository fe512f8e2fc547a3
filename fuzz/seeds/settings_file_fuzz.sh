#!/usr/bin/env bash
# Seeds for settings_file_fuzz: the installed defaults and a small user file.
set -euo pipefail
corpus=$1
here=$(cd "$(dirname "$0")/../.." && pwd)
cp "$here/data/Defaults.conf" "$corpus/defaults.conf"
printf 'int System.nWidth=640\nfloat System.Frame=23.976\ntext System.FTPDir=/pub/\\tx\\n\ntext System.FtpDir=\n' \
  > "$corpus/user.conf"
