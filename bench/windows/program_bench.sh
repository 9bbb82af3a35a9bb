#!/usr/bin/env bash
# KX418.exe under wine on a private X server: start to first painted frame
# and peak memory, next to the bare window (the same controls made
# directly), in one run; then the sizes of the exe, the dll, the zip and
# the installer (made first with cpack when missing).
#
#   bash bench/windows/program_bench.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build=$(realpath "${1:-build/windows}")
runs=${2:-5}
bin=$build/bin

export WINEPREFIX=$build/wine-bench-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
xlog=$(mktemp)
exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 1600x1200x24 -nolisten tcp -noreset >"$xlog" 2>&1 &
xvfb=$!
trap 'wineserver -k >/dev/null 2>&1 || true; kill $xvfb 2>/dev/null || true; rm -f "$xlog"' EXIT
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

echo "== start-up under wine (Xvfb, 96 DPI), $runs runs each"
wine "$bin/kx418_startup_bench.exe" "$runs" "$(winepath -w "$bin/KX418.exe")" \
  "$(winepath -w "$bin/kx418_bare_window.exe")" | tr -d '\r'

echo "== sizes"
shopt -s nullglob
packages=("$build"/KX418-*-win64.zip "$build"/KX418-*-win64.exe)
if [[ ${#packages[@]} -lt 2 ]]; then
  (cd "$build" && cpack -G "ZIP;NSIS" >/dev/null)
  packages=("$build"/KX418-*-win64.zip "$build"/KX418-*-win64.exe)
fi
for file in "$bin/KX418.exe" "$bin/kx418.dll" "${packages[@]}"; do
  printf '%-50s %9d bytes\n' "${file##*/}" "$(stat -c %s "$file")"
done
