#!/usr/bin/env bash
# Runs one page case in headless chromium against the virtual module:
#
#   browser_test.sh SITE MODULE_PROGRAM NODE_FOLDER WORK CASE.js [NODE]
#
# SITE is the built site (index.html, KX418.js, KX418.wasm; or the runtime
# cases' page), MODULE_PROGRAM
# the virtual module (kx418-virtual-module), NODE_FOLDER the folder whose
# node_modules holds puppeteer-core, WORK a fresh folder for the run, CASE
# the case's script, NODE the module's node as its --node takes it
# (hidraw0 unless given: a module that answers), or "none": no module at
# all (no virtual module runs, and sysfs has no device). In a private
# mount namespace the node is /dev/hidraw0, a tmpfs /sys describes it as a
# USB HID device (what chromium reads through libudev: the uevent files,
# the subsystem links, the report descriptor), and /etc/chromium holds the
# policy that grants the module to the page's origin, so no chooser is
# asked. The page is served on 127.0.0.1; the case gets the page's address,
# the module's log and the node as given in KX418_PAGE, KX418_MODULE_LOG
# and KX418_NODE.
# Skips (77) where chromium, FUSE, root or the npm packages are missing;
# in CI it fails instead.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

if [[ ${1:-} == --inside ]]; then
  shift
  site=$1 node_folder=$2 work=$3 case_script=$4 descriptor=$5
  # The device's sysfs, as libudev reads it for a USB HID device's hidraw
  # node, and chromium's managed policy, both only in this namespace.
  mount -t tmpfs -o mode=0755,size=1m kx418-sys /sys
  mkdir -p /sys/bus/hid /sys/class/hidraw
  parent=/sys/devices/kx418/0003:2B5D:0418.0001
  if [[ $descriptor != none ]]; then
    mkdir -p "$parent/hidraw/hidraw0"
    ln -s ../../../bus/hid "$parent/subsystem"
    printf 'HID_ID=0003:00002B5D:00000418\nHID_NAME=Virtual KX418 module\nHID_PHYS=kx418-virtual/hidraw0\nHID_UNIQ=hidraw0\n' \
      >"$parent/uevent"
    cp "$descriptor" "$parent/report_descriptor"
    ln -s ../../../../../class/hidraw "$parent/hidraw/hidraw0/subsystem"
    printf 'DEVNAME=hidraw0\n' >"$parent/hidraw/hidraw0/uevent"
    ln -s "../../devices/kx418/${parent##*/}/hidraw/hidraw0" /sys/class/hidraw/hidraw0
  fi
  # libudev checks that /sys is sysfs unless told not to.
  export SYSTEMD_DEVICE_VERIFY_SYSFS=0
  # libudev hears udev's events only where udev runs (/run/udev/control);
  # in this namespace a stand-in tells the module's removal, as udevd
  # tells an unplugging. The network namespace is the run's own, so the
  # event reaches this run's browser alone.
  mkdir -p "$work/run"
  mount -t tmpfs -o mode=0755,size=1m kx418-run "$work/run"
  mkdir -p "$work/run/upper" "$work/run/work"
  mount -t overlay -o "lowerdir=/run,upperdir=$work/run/upper,workdir=$work/run/work" kx418-run /run
  mkdir -p /run/udev && { [[ -e /run/udev/control ]] || : >/run/udev/control; }
  ip link set lo up
  udev=""
  if [[ $KX418_NODE == *remove-after=* ]]; then
    python3 "$here/udev_stand_in.py" "$work/module.log" "${parent#/sys}/hidraw/hidraw0" &
    udev=$!
  fi

  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  mkdir -p "$work/etc-chromium"
  [[ -d /etc/chromium ]] && cp -a /etc/chromium/. "$work/etc-chromium/"
  mkdir -p "$work/etc-chromium/policies/managed"
  printf '{"WebHidAllowDevicesForUrls":[{"devices":[{"vendor_id":11101,"product_id":1048}],"urls":["http://127.0.0.1:%s"]}]}\n' \
    "$port" >"$work/etc-chromium/policies/managed/kx418-test.json"
  mkdir -p /etc/chromium
  mount --bind "$work/etc-chromium" /etc/chromium

  python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site" >"$work/http.log" 2>&1 &
  server=$!
  trap 'kill "$server" $udev 2>/dev/null || true' EXIT
  for _ in $(seq 100); do
    python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null && break
    sleep 0.1
  done
  export KX418_PAGE=http://127.0.0.1:$port/ NODE_PATH=$node_folder/node_modules
  cd "$work"
  node "$case_script"
  exit
fi

skip() {
  if [[ -n ${CI:-} ]]; then
    echo "FAIL: $* (in CI nothing may be missing)"
    exit 1
  fi
  echo "SKIP: $*"
  exit 77
}

[[ $# -eq 5 || $# -eq 6 ]] ||
  { echo "usage: browser_test.sh SITE MODULE_PROGRAM NODE_FOLDER WORK CASE.js [NODE]" >&2; exit 2; }
node_spec=${6:-hidraw0}
[[ $node_spec == hidraw0 || $node_spec == hidraw0:* || $node_spec == none ]] ||
  { echo "the node is hidraw0 or none" >&2; exit 2; }
site=$(realpath -m "$1") module=$(realpath -m "$2") node_folder=$(realpath -m "$3")
work=$(realpath -m "$4") case_script=$(realpath -m "$5")
command -v chromium >/dev/null || skip "chromium is missing (tools/install-deps installs it)"
command -v node >/dev/null || skip "node is missing (tools/install-deps installs it)"
command -v ip >/dev/null || skip "ip is missing (tools/install-deps installs iproute2)"
[[ $node_spec == none || ( -r /dev/fuse && -w /dev/fuse ) ]] ||
  skip "FUSE is not available here (/dev/fuse)"
[[ $(id -u) -eq 0 ]] || skip "the page's mount namespace needs root"
[[ $node_spec == none || -x $module ]] || skip "no virtual module at $module (build the default preset)"
[[ -d $node_folder/node_modules/puppeteer-core ]] ||
  skip "puppeteer-core is not installed in $node_folder (the test web_npm_packages installs it)"
[[ -f $site/index.html ]] || { echo "FAIL: no site at $site"; exit 1; }

# A module of an earlier run that was killed may have left its mount
# behind, its endpoint gone; it goes first.
umount --lazy "$work/nodes" 2>/dev/null || true
rm -rf "$work" && mkdir -p "$work/nodes"
export KX418_MODULE_LOG=$work/module.log KX418_NODE=$node_spec
descriptor=none
if [[ $node_spec != none ]]; then
  # The module serves its folder while this script holds its stdout pipe.
  exec {module_output}< <(exec "$module" "$work/nodes" --log "$work/module.log" --node "$node_spec")
  module_pid=$!
  finish() {
    kill "$module_pid" 2>/dev/null || true
    wait "$module_pid" 2>/dev/null || true
    # Also a mount whose module has gone (mountpoint cannot tell it then).
    umount --lazy "$work/nodes" 2>/dev/null || true
  }
  trap finish EXIT
  ready=""
  read -r -t 10 -u "$module_output" ready || true
  [[ $ready == ready ]] || { echo "FAIL: the virtual module did not start"; exit 1; }

  # The node's report descriptor, as the kernel gives it to sysfs.
  python3 - "$work/nodes/hidraw0" "$work/report_descriptor" <<'EOF'
import array, fcntl, sys
HIDIOCGRDESCSIZE, HIDIOCGRDESC = 0x80044801, 0x90044802
with open(sys.argv[1], 'rb', buffering=0) as node:
    size = array.array('i', [0])
    fcntl.ioctl(node, HIDIOCGRDESCSIZE, size, True)
    record = bytearray(4 + 4096)
    record[0:4] = size[0].to_bytes(4, 'little')
    fcntl.ioctl(node, HIDIOCGRDESC, record, True)
    open(sys.argv[2], 'wb').write(record[4:4 + size[0]])
EOF
  descriptor=$work/report_descriptor
fi

"$root/tools/virtual-module/private-dev" "$work/nodes" \
  unshare --net bash "$here/browser_test.sh" --inside "$site" "$node_folder" "$work" "$case_script" \
  "$descriptor"
