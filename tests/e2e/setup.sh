#!/usr/bin/env bash
# Installs the e2e harness's npm packages (Ruffle and playwright-core) exactly
# as pinned in package-lock.json, when node_modules is missing or was made
# from another lock file. Chromium is Debian's; no browser is downloaded.
set -euo pipefail
cd "$(dirname "$0")"
stamp=node_modules/.reelcast-lock.sha256
want=$(sha256sum package-lock.json | cut -d' ' -f1)
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ] &&
   [ -d node_modules/@ruffle-rs/ruffle ] && [ -d node_modules/playwright-core ]; then
  exit 0
fi
major=$(node -p 'process.versions.node.split(".")[0]' 2>/dev/null || echo 0)
if [ "$major" -lt 20 ]; then
  echo "tests/e2e/setup.sh: the harness needs Node.js 20 or later (found: $(node --version 2>/dev/null || echo none))" >&2
  exit 1
fi
export PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1
npm ci --no-audit --no-fund --loglevel=error
echo "$want" > "$stamp"
