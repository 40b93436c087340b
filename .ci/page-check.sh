#!/usr/bin/env bash
# The report page of a trial in a real browser: laifit-inspect writes the page of examples/trial-2011, a
# folder with a hostile name and one that cannot be inspected; Debian's chromium, driven by puppeteer-core,
# checks it (.ci/page-check/check.mjs). With an argument, also writes the screenshot there.
set -euo pipefail
cd "$(dirname "$0")/.."
inspect=${LAIFIT_INSPECT:-build/laifit-inspect}
command -v npm >/dev/null 2>&1 || { apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends npm; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/node"
cp .ci/page-check/package.json .ci/page-check/check.mjs "$scratch/node/"
(cd "$scratch/node" && npm install --no-audit --no-fund --silent >/dev/null)
mkdir "$scratch/trial"
cp -r examples/trial-2011/. "$scratch/trial/"
hostile='<b id="evil" onerror="x">&amp;'"'"'q'
mkdir "$scratch/trial/$hostile"
cp examples/season-2011/{param.soj,obs2011.csv,beauce.2011} "$scratch/trial/$hostile/"
status=0
"$inspect" --quiet --html "$scratch/page.html" --summary "$scratch/summary.csv" --tree "$scratch/trial" \
  "$scratch/no-such-plot" >/dev/null 2>&1 || status=$?
[ "$status" = 2 ] || { echo "page-check: laifit-inspect exited $status, expected 2 (one folder missing)"; exit 1; }
shot=${1:+$(cd "$(dirname "$1")" && pwd)/$(basename "$1")}
node "$scratch/node/check.mjs" "$scratch/page.html" "$hostile" ${shot:+"$shot"}
