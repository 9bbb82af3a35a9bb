#!/usr/bin/env bash
# KX418.exe under wine on a private X server, as the portable zip holds it
# (the packages are made first with cpack): start to first painted frame
# and peak memory, next to the bare window (the same controls made
# directly), in one run; then the sizes of the exe, the dll, the zip and
# the installer.
#
#   bash bench/windows/program_bench.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=$(realpath "${1:-build/windows}")
runs=${2:-15}
bin=$build/bin

export WINEPREFIX=$build/wine-bench-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
xlog=$(mktemp) unpacked=$(mktemp -d)
exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 1600x1200x24 -nolisten tcp -noreset >"$xlog" 2>&1 &
xvfb=$!
trap 'wineserver -k >/dev/null 2>&1 || true; kill $xvfb 2>/dev/null || true; rm -rf "$xlog" "$unpacked"' EXIT
read -r -t 10 -u "$display_fd" display || { echo "Xvfb did not start: $(cat "$xlog")" >&2; exit 1; }
export DISPLAY=:$display

if [[ ! -f $WINEPREFIX/.kx418-bench ]]; then
  wine cmd /c exit </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
  : >"$WINEPREFIX/.kx418-bench"
fi
# A warm session, as a user's desktop has: the figures are the programs'.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1

(cd "$build" && cpack -G "ZIP;NSIS" >/dev/null)
shopt -s nullglob
packages=("$build"/KX418-*-win64.zip "$build"/KX418-*-win64.exe)
(cd "$unpacked" && cmake -E tar xf "${packages[0]}")
program=("$unpacked"/*/KX418.exe)

echo "== start-up under wine (Xvfb, 96 DPI), $runs runs each, taking turns"
wine "$bin/kx418_startup_bench.exe" "$runs" "$(winepath -w "${program[0]}")" \
  "$(winepath -w "$bin/kx418_bare_window.exe")" | tr -d '\r'

echo "== sizes (the exe and the dll as the packages hold them)"
for file in "${program[0]}" "${program[0]%/*}/kx418.dll" "${packages[@]}"; do
  printf '%-50s %9d bytes\n' "${file##*/}" "$(stat -c %s "$file")"
done
