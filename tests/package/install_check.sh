#!/usr/bin/env bash
# The packages installed with dpkg as on a user's machine, inside a private
# mount namespace (check.sh starts it): /usr, /etc, /var and /run are
# overlays whose changes live in a tmpfs that goes with the namespace.
#
#   install_check.sh RUNTIME_DEB DEV_DEB INSTALLED_PROGRAM_TEST WORK SITE MODULE_PROGRAM NODE_FOLDER
#
# 1. Installed and purged where udev does not run: the maintainer scripts
#    leave udev alone and succeed.
# 2. kx418 installed where udev runs (its control socket exists) but
#    udevadm fails: the rules are reloaded and the hidraw devices
#    replayed, and the installation succeeds all the same.
# 3. The installed program binds the installed library with kx418 alone
#    installed (installed program test); the installed site holds the
#    files of the site built (SITE), each the same; its page, served from
#    /usr/share/kx418/web, sends page Fn3 to the virtual module in headless
#    chromium (tests/web/browser_test.sh); then, with kx418-dev, a project
#    builds and links against the library through find_package(kx418) and
#    through pkg-config.
# 4. Purged: the rules are reloaded again and nothing of the packages is
#    left.
set -euo pipefail
runtime_deb=$1 dev_deb=$2 program_test=$3 work=$4 site=$5 module=$6 node_folder=$7
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*"; exit 1; }

mkdir -p "$work/layers"
mount -t tmpfs kx418-install "$work/layers"
for dir in usr etc var run; do
  mkdir -p "$work/layers/$dir/upper" "$work/layers/$dir/work"
  mount -t overlay overlay \
    -o "lowerdir=/$dir,upperdir=$work/layers/$dir/upper,workdir=$work/layers/$dir/work" "/$dir"
done

# udevadm as the maintainer scripts meet it: it records its calls and
# fails, as it does where no udev daemon answers.
calls=$work/udevadm.calls
: >"$calls"
for bindir in /usr/bin /usr/sbin; do
  printf '#!/bin/sh\necho "$*" >>%s\nexit 1\n' "$calls" >"$bindir/udevadm"
  chmod 755 "$bindir/udevadm"
done
export DEBIAN_FRONTEND=noninteractive
install_packages() {
  dpkg -i "$@" || fail "dpkg -i failed"
  for deb in "$@"; do
    package=$(dpkg-deb -f "$deb" Package)
    [[ $(dpkg-query -W -f='${Status}' "$package") == "install ok installed" ]] ||
      fail "$package is not installed"
  done
}
purge_both() {
  dpkg --purge kx418-dev kx418 || fail "dpkg --purge failed"
}

echo "--- 1. udev not running"
rm -rf /run/udev
install_packages "$runtime_deb" "$dev_deb"
purge_both
[[ ! -s $calls ]] || fail "udevadm was called where udev does not run: $(cat "$calls")"

echo "--- 2. udev running, udevadm failing"
mkdir -p /run/udev
perl -MIO::Socket::UNIX -e 'IO::Socket::UNIX->new(Type => SOCK_STREAM(), Local => "/run/udev/control", Listen => 1) or die $!'
[[ -S /run/udev/control ]] || fail "no stand-in control socket"
install_packages "$runtime_deb"
expected="control --reload-rules
trigger --subsystem-match=hidraw --action=add"
[[ $(cat "$calls") == "$expected" ]] || fail "postinst called udevadm with: $(cat "$calls")"
: >"$calls"

echo "--- 3. the installed program and library"
library=$(ldconfig -p | awk '$1 == "libkx418.so.1" {print $NF}')
[[ $library == /usr/lib/*/libkx418.so.1 || $library == /lib/*/libkx418.so.1 ]] || fail "ldconfig does not know libkx418.so.1 ($library)"
echo "libkx418.so.1 => $library"
env -u LD_LIBRARY_PATH -u LD_PRELOAD "$program_test" || fail "the installed program test failed"

installed_site=/usr/share/kx418/web
diff -r "$site" "$installed_site" || fail "$installed_site is not the site built in $site"
echo "$installed_site: the site built ($(ls "$installed_site" | tr '\n' ' '))"
status=0
bash "$here/../web/browser_test.sh" "$installed_site" "$module" "$node_folder" "$work/page" \
  "$here/../web/fn3_send.js" || status=$?
case $status in
  0) echo "the installed page sent page Fn3 to the virtual module" ;;
  77) echo "the installed page was not opened (see SKIP above)" ;;
  *) fail "the installed page failed" ;;
esac

install_packages "$dev_deb"

cmake -S "$here/consumer" -B "$work/consumer" -G Ninja >"$work/consumer.log" 2>&1 &&
  cmake --build "$work/consumer" >>"$work/consumer.log" 2>&1 || { cat "$work/consumer.log"; fail "the CMake consumer did not build"; }
grep -q "^kx418_DIR:PATH=/usr/lib/.*/cmake/kx418$" "$work/consumer/CMakeCache.txt" ||
  fail "find_package(kx418) did not find the installed package"
cc -std=c99 -Wall -Werror -o "$work/consumer-pkg-config" "$here/consumer/consumer.c" \
  $(pkg-config --cflags --libs kx418) || fail "the pkg-config consumer did not build"
for consumer in "$work/consumer/consumer" "$work/consumer-pkg-config"; do
  linked=$(ldd "$consumer" | awk '$1 == "libkx418.so.1" {print $3}')
  [[ -n $linked && $(realpath "$linked") == $(realpath "$library") ]] ||
    fail "$consumer is linked to \"$linked\", not to $library"
  [[ $(env -u LD_LIBRARY_PATH "$consumer") == "KX418_Open: 0" ]] || fail "$consumer did not run"
  echo "$(basename "$consumer"): linked to $library, KX418_Open without a module: 0"
done

echo "--- 4. purged"
purge_both
expected="control --reload-rules
trigger --subsystem-match=hidraw --action=change"
[[ $(cat "$calls") == "$expected" ]] || fail "postrm called udevadm with: $(cat "$calls")"
for path in /usr/bin/KX418 "$library" /usr/lib/udev/rules.d/70-kx418.rules /usr/include/kx418.h \
            /usr/share/doc/kx418 /usr/share/applications/org.kx418.configurator.desktop /usr/share/kx418; do
  [[ ! -e $path ]] || fail "$path is left after the purge"
done
[[ $(ldconfig -p) != *libkx418* ]] || fail "ldconfig still knows libkx418"
echo "PASS: installed, used and purged"
