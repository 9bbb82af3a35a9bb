#!/usr/bin/env bash
# The Debian packages as a distribution would check them, then installed:
#   1. tools/package builds kx418 and kx418-dev (kx418 with the site the
#      web preset built);
#   2. lintian finds no error and no warning (the packages carry their
#      overrides, each with its reason);
#   3. the desktop entry and the AppStream metadata validate clean;
#   4. each package's files, modes and links are exactly those of
#      kx418.list and kx418-dev.list; the udev rule is the one line;
#      no installed binary carries a run path;
#   5. install_check.sh installs, uses and purges them in a private mount
#      namespace; the installed site is the one built, and its page, served
#      from the installed folder, sends to the virtual module in chromium.
#   check.sh INSTALLED_PROGRAM_TEST WORK_FOLDER SITE MODULE_PROGRAM NODE_FOLDER
# SITE is the web preset's built site (build/web/site), MODULE_PROGRAM the
# virtual module and NODE_FOLDER the folder with puppeteer-core, as
# tests/web/browser_test.sh takes them.
# Needs root (dpkg, mount namespace, overlayfs); skips (77) without them,
# except in CI, where that fails.
set -euo pipefail
program_test=$1 work=$2 site=$3 module=$4 node_folder=$5
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
fail() { echo "FAIL: $*"; exit 1; }
source "$here/../support/prerequisite.sh"

[[ $(id -u) -eq 0 ]] ||
  skip_or_fail_without "installing the packages needs root (dpkg in a private mount namespace)"
grep -qw overlay /proc/filesystems ||
  skip_or_fail_without "the kernel offers no overlayfs for the scratch installation"
command -v unshare >/dev/null || skip_or_fail_without "unshare is missing (util-linux)"
[[ -x $program_test ]] ||
  skip_or_fail_without "no installed program test at $program_test (build the default preset)"

rm -rf "$work" && mkdir -p "$work"

echo "=== 1. tools/package"
bash "$root/tools/package" >"$work/package.log" 2>&1 || { cat "$work/package.log"; fail "tools/package failed"; }
sed -n '/^=== /,$p' "$work/package.log"
runtime_deb=$(echo "$root"/build/package/kx418_*.deb)
dev_deb=$(echo "$root"/build/package/kx418-dev_*.deb)
[[ -f $runtime_deb && -f $dev_deb ]] || fail "the packages were not built"

echo "=== 2. lintian"
lintian --fail-on error,warning --display-info "$runtime_deb" "$dev_deb" ||
  fail "lintian found errors or warnings"
echo "overridden, with the reasons:"
lintian --fail-on none --display-info --show-overrides "$runtime_deb" "$dev_deb" | grep '^[ON]:' || true
echo "lintian: no errors, no warnings (the packages' overrides give their reasons)"

echo "=== 3. desktop entry and AppStream metadata"
mkdir -p "$work/runtime" "$work/dev"
dpkg-deb -x "$runtime_deb" "$work/runtime"
dpkg-deb -x "$dev_deb" "$work/dev"
desktop=$work/runtime/usr/share/applications/org.kx418.configurator.desktop
said=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $said"
[[ -z $said ]] || fail "desktop-file-validate: $said"
said=$(appstreamcli validate --no-net --pedantic "$work/runtime/usr/share/metainfo/org.kx418.configurator.metainfo.xml" 2>&1) ||
  fail "appstreamcli validate: $said"
grep -q 'Validation was successful' <<<"$said" && ! grep -q '^[EWIP]:' <<<"$said" ||
  fail "appstreamcli validate: $said"
echo "desktop-file-validate and appstreamcli validate --pedantic: clean"

echo "=== 4. contents"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for deb in "$runtime_deb" "$dev_deb"; do
  package=$(dpkg-deb -f "$deb" Package)
  dpkg-deb --contents "$deb" | awk '{ $2 = $3 = $4 = $5 = ""; print }' | tr -s ' ' >"$work/$package.list"
  sed "s/@MULTIARCH@/$multiarch/g" "$here/$package.list" | diff -u - "$work/$package.list" ||
    fail "$package holds other files than $package.list names"
done
rule=$(grep -v '^#' "$work/runtime/usr/lib/udev/rules.d/70-kx418.rules")
[[ $rule == 'SUBSYSTEM=="hidraw", ATTRS{idVendor}=="2b5d", ATTRS{idProduct}=="0418", TAG+="uaccess"' ]] ||
  fail "the udev rule is: $rule"
for binary in "$work/runtime/usr/bin/KX418" "$work/runtime/usr/lib/$multiarch/libkx418.so.1.0.0"; do
  [[ $(readelf -d "$binary") != *PATH* ]] || fail "$binary carries a run path"
done
[[ $(readelf -d "$work/runtime/usr/lib/$multiarch/libkx418.so.1.0.0" | grep -o 'Library soname: \[[^]]*\]') == \
   "Library soname: [libkx418.so.1]" ]] || fail "the library's SONAME is not libkx418.so.1"
depends=$(dpkg-deb -f "$runtime_deb" Depends)
for needed in libc6 libstdc++6 libqt6widgets6 qt6-qpa-plugins fonts-dejavu-core; do
  grep -q "\\b$needed\\b" <<<"$depends" || fail "kx418 does not depend on $needed: $depends"
done
# Wayland's plugin only recommended: on X the program runs without it.
recommends=$(dpkg-deb -f "$runtime_deb" Recommends)
[[ $depends != *qt6-wayland* && $recommends == qt6-wayland ]] ||
  fail "qt6-wayland is not a recommendation only: Depends: $depends; Recommends: $recommends"
echo "file lists, udev rule, run paths, SONAME, Depends and Recommends as expected"
echo "kx418 Depends: $depends"
echo "kx418 Recommends: $recommends"

echo "=== 5. installed"
unshare --mount --propagation private \
  bash "$here/install_check.sh" "$runtime_deb" "$dev_deb" "$program_test" "$work/install" \
  "$site" "$module" "$node_folder"
