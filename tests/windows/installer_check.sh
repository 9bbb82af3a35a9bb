#!/usr/bin/env bash
# The installer under wine, silently, as an administrator's script runs it:
# it puts KX418.exe, kx418ctl.exe, kx418.dll, kx418.h, README.txt and the
# uninstaller into the folder given
# with /D and the start-menu entry into the start menu; the uninstaller,
# run silently, takes them all away again.
#
#   installer_check.sh INSTALLER.exe WINE-SESSION PREFIX
#
# Exit 77 (skipped) where wine is missing; in CI (CI set) it fails instead.
set -euo pipefail
installer=$1 session=$2 prefix=$3

fail() { echo "FAIL: $*" >&2; exit 1; }
source "$(dirname "$0")/../support/prerequisite.sh"
command -v wine >/dev/null || skip_or_fail_without "wine is missing"
[[ -f $installer ]] || fail "no installer $installer"

export WINEDEBUG=-all
folder=$prefix/drive_c/KX418test
menu=$prefix/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs
installed=("$folder/KX418.exe" "$folder/kx418ctl.exe" "$folder/kx418.dll" "$folder/kx418.h"
           "$folder/README.txt" "$folder/Uninstall.exe")
rm -rf "$folder"

bash "$session" run --prefix "$prefix" "$installer" /S '/D=C:\KX418test' </dev/null \
  || fail "the installer ended with $?"
for file in "${installed[@]}"; do
  [[ -f $file ]] || fail "not installed: ${file#"$prefix"/}"
done
entry=$(find "$menu" -name 'KX418 Configurator.lnk' 2>/dev/null | head -n 1)
[[ -n $entry ]] || fail "no start-menu entry under ${menu#"$prefix"/}"
echo "installed: ${installed[*]#"$prefix"/} and ${entry#"$prefix"/}"

# The uninstaller runs on from a copy of itself in the temporary folder:
# its work is awaited here (up to 30 s).
bash "$session" run --prefix "$prefix" 'C:\KX418test\Uninstall.exe' /S </dev/null \
  || fail "the uninstaller ended with $?"
for _ in $(seq 1 60); do
  left=()
  for file in "${installed[@]}" "$entry"; do [[ -e $file ]] && left+=("${file#"$prefix"/}"); done
  ((${#left[@]} == 0)) && break
  sleep 0.5
done
((${#left[@]} == 0)) || fail "left after uninstalling: ${left[*]}"
echo "uninstalled: nothing left"
