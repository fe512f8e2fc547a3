#!/usr/bin/env bash
# Seeds for FtpListing_fuzz: listings in the layouts servers send, and PWD answers.
set -euo pipefail
out=$1
printf 'total 8\r\n-rw-r--r--   1 owner group 1234 Jan 05 12:30 movie.swf\r\ndrwxr-xr-x 2 owner group 4096 Dec 31  2025 sub dir\r\n' >"$out/unix"
printf 'lrwxrwxrwx 1 u g 4 Jun 1 2024 up -> ..\n-rw-r--r-- 1 owner 10 Feb 10 10:00 a.flv\n' >"$out/link"
printf '01-31-26  09:15PM       <DIR>          old site\r\n01-31-26  09:16PM  2048 page.html\r\n' >"$out/dos"
printf '257 "/a ""quoted"" b" is current\r\n' >"$out/pwd"
