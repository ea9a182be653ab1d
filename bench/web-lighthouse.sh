#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Lighthouse (npm's, in its mobile default: a mid-range phone on a slow 4G line) on the page's
# site/ served from this machine, driving Debian's chromium. Prints each run's scores, layout
# shift and paint times.
#   bench/web-lighthouse.sh [BUILD] [RUNS]   (default build, 3)
# Lighthouse is installed with npm into BUILD/lighthouse on first use (LIGHTHOUSE_VERSION).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-3}
site="$build/web/site"
[ -f "$site/index.html" ] || { echo "web-lighthouse: $site is not built (make web)" >&2; exit 1; }
tools="$build/lighthouse"
if [ ! -x "$tools/node_modules/.bin/lighthouse" ]; then
  mkdir -p "$tools"
  npm install --prefix "$tools" --no-audit --no-fund "lighthouse@${LIGHTHOUSE_VERSION:-12}" >/dev/null
fi
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site" >/dev/null 2>&1 &
server=$!
trap 'kill $server' EXIT
sleep 1
sandbox=""
[ "$(id -u)" = 0 ] && sandbox=" --no-sandbox"
echo "lighthouse $("$tools/node_modules/.bin/lighthouse" --version), load average $(cut -d' ' -f1-3 /proc/loadavg)"
for run in $(seq "$runs"); do
  CHROME_PATH=${CHROMIUM:-/usr/bin/chromium} "$tools/node_modules/.bin/lighthouse" "http://127.0.0.1:$port/" \
    --chrome-flags="--headless=new$sandbox" --output=json --output-path="$tools/report.json" --quiet
  node -e '
    const r = require(process.argv[1]);
    const score = (c) => Math.round(r.categories[c].score * 100);
    const a = (id) => r.audits[id].displayValue;
    console.log(`run ${process.argv[2]}: performance ${score("performance")}, accessibility ${score("accessibility")}, ` +
      `best practices ${score("best-practices")}, SEO ${score("seo")}; CLS ${a("cumulative-layout-shift")}, ` +
      `FCP ${a("first-contentful-paint")}, LCP ${a("largest-contentful-paint")}, TBT ${a("total-blocking-time")}`);
  ' "$tools/report.json" "$run"
done
