#!/usr/bin/env bash
# The page's benchmark (bench/README.md): the sizes of the site and of the
# bare page, then web_bench.js in headless chromium against the virtual
# module, through the browser cases' own runner (tests/web/browser_test.sh:
# the module's node, the fake /sys, the policy that grants the module).
#
#   bash bench/web/web_bench.sh [BUILD_DIR] [RUNS] [TRANSFERS]
#
# BUILD_DIR is the web preset's build (build/web), after its build and
# `ctest --preset web -R web_npm_packages` (puppeteer-core); RUNS loads of
# each page (15), TRANSFERS transfers of each kind (500). As root.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(realpath "${1:-build/web}")
runs=${2:-15}
transfers=${3:-500}
site=$build/site bench_site=$build/bench-site

[[ -f $site/KX418.wasm && -f $bench_site/bare.html && -f $bench_site/kx418_exchange_bench.wasm ]] ||
  { echo "no site or bench site in $build (cmake --build --preset web)" >&2; exit 1; }
host=$(sed -n 's/^KX418_HOST_BUILD:[A-Z]*=//p' "$build/CMakeCache.txt")
module=${host:-$root/build/default}/bin/kx418-virtual-module

echo "== sizes: as served (no compression here) and gzip -9"
size_row() {
  local raw gz
  raw=$(stat -L -c %s "$1")
  gz=$(gzip -9 -c "$1" | wc -c)
  printf '  %-28s %9d bytes %9d gzip -9\n' "$2" "$raw" "$gz"
  total_raw=$((total_raw + raw)) total_gz=$((total_gz + gz))
}
total_raw=0 total_gz=0
for f in index.html KX418.js KX418.wasm; do size_row "$site/$f" "$f"; done
printf '  %-28s %9d bytes %9d gzip -9   (goal: under 300 KB = 300000 bytes gzip -9)\n' \
  "the program: html+js+wasm" "$total_raw" "$total_gz"
program_raw=$total_raw program_gz=$total_gz
total_raw=0 total_gz=0
for f in offline.js manifest.webmanifest KX418.svg; do size_row "$site/$f" "$f"; done
printf '  %-28s %9d bytes %9d gzip -9\n' "the whole site" "$((program_raw + total_raw))" \
  "$((program_gz + total_gz))"
total_raw=0 total_gz=0
size_row "$bench_site/bare.html" "bare page: bare.html"
awk -v r="$program_raw" -v rb="$total_raw" -v g="$program_gz" -v gb="$total_gz" \
  'BEGIN { printf "  ratio program/bare: %.1fx as served, %.1fx gzip -9\n", r / rb, g / gb }'

status=0
KX418_BENCH_RUNS=$runs KX418_BENCH_TRANSFERS=$transfers \
  bash "$root/tests/web/browser_test.sh" "$bench_site" "$module" "$build/tests/web" \
  "$build/bench-web-work" "$here/web_bench.js" || status=$?
[[ $status -eq 77 ]] && echo "(the browser part was skipped: see above)"
exit "$status"
