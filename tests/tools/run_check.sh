#!/usr/bin/env bash
# tools/run refusing what it cannot do before it installs or builds
# anything: without a display, with an unknown argument, with a node the
# program would never see or a setting the virtual module does not know.
# Each case must end with its documented exit code and one plain line on
# standard error (no "(s)", no placeholder in angle brackets), without a
# call of apt-get, dpkg-query or cmake (stand-ins on PATH record any), and
# within a generous bound; the slowest case's time is printed. Every
# setting the virtual module's README documents must be one tools/run
# knows. Whether the program is to talk to a plugged-in module or to a
# virtual one is said before the build, checked with /sys/class/hidraw
# faked in a mount namespace (root; skipped otherwise, failed in CI).
#   run_check.sh WORK_FOLDER
set -euo pipefail
work=$1
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
fail() { echo "FAIL: $*"; exit 1; }
source "$here/../support/prerequisite.sh"

rm -rf "$work" && mkdir -p "$work/bin"
calls=$work/calls
for tool in apt-get dpkg-query cmake ninja; do
  printf '#!/bin/sh\necho "%s $*" >>%s\nexit 1\n' "$tool" "$calls" >"$work/bin/$tool"
  chmod 755 "$work/bin/$tool"
done

# Runs tools/run with the arguments given, DISPLAY as $display; sets rc,
# said (its standard error) and took (milliseconds).
run() {
  : >"$calls"
  local start end
  start=$(date +%s%N)
  rc=0
  env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" PATH="$work/bin:$PATH" \
    bash "$root/tools/run" "$@" >"$work/out" 2>"$work/err" </dev/null || rc=$?
  end=$(date +%s%N)
  took=$(((end - start) / 1000000))
  said=$(cat "$work/err")
}

slowest=0
# display | arguments | exit code | a part of the line
cases=(
  "|||3|no display"
  "||--virtual|3|no display"
  ":99||--frob|2|unknown argument --frob"
  ":99||--node|2|--node needs a node"
  ":99||--node foo|2|named hidraw and a number"
  ":99||--node hidraw0:bogus|2|\"bogus\" is not a setting of the virtual module"
  ":99||--node hidraw0:vendor=12345|2|vendor takes a hexadecimal number"
  ":99||--node hidraw0:silent=1|2|silent takes no value"
  ":99||--node hidraw0:remove-after=0|2|remove-after takes a report count from 1"
  ":99||--node hidraw0:silent,|2|an empty setting"
  ":99||--node hidraw0 --node hidraw0:silent|2|--node hidraw0 is given twice"
)
for entry in "${cases[@]}"; do
  IFS='|' read -r display _ arguments code part <<<"$entry"
  read -r -a argv <<<"$arguments"
  run "${argv[@]}"
  what="tools/run ${arguments:-(no arguments)} with DISPLAY=${display:-(unset)}"
  [[ $rc -eq $code ]] || fail "$what: exit code $rc, not $code: $said"
  [[ $said == *"$part"* ]] || fail "$what said \"$said\", not \"$part\""
  [[ $(wc -l <"$work/err") -eq 1 ]] || fail "$what: not one line: $said"
  [[ $said != *"(s)"* && $said != *"<"* ]] || fail "$what: a placeholder in \"$said\""
  [[ ! -s $calls ]] || fail "$what installed or built: $(cat "$calls")"
  ((took < 20000)) || fail "$what took $took ms"
  ((took > slowest)) && slowest=$took
done
echo "refusals: ${#cases[@]} cases, each at once, nothing installed or built; the slowest took $slowest ms"

# The module's settings as its README's table names them.
display=
settings=$(grep '^| `' "$root/tools/virtual-module/README.md" | cut -d'|' -f2 | grep -oE '(^ |, )`[a-z-]+' | tr -d '`, ')
[[ -n $settings ]] || fail "no settings found in tools/virtual-module/README.md"
for key in $settings; do
  run --node "hidraw0:$key"
  [[ $said != *"is not a setting"* ]] || fail "tools/run does not know the module's setting $key"
done
echo "tools/run knows the module's settings:" $settings

# A plugged-in module or none: /sys/class/hidraw a private tmpfs, holding
# a node with the module's IDs or nothing. Sets rc, told (standard
# output) and calls.
plug() {
  local plugged=$1
  shift
  : >"$calls"
  rc=0
  env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:99 PATH="$work/bin:$PATH" \
    unshare --mount bash -c '
      mount -t tmpfs kx418-hidraw /sys/class/hidraw || exit 99
      if [[ $1 == module ]]; then
        mkdir -p /sys/class/hidraw/hidraw9/device
        printf "HID_ID=0003:00002B5D:00000418\nHID_NAME=KX418\n" >/sys/class/hidraw/hidraw9/device/uevent
      fi
      shift
      exec bash "$0" "$@"' "$root/tools/run" "$plugged" "$@" >"$work/out" 2>"$work/err" </dev/null || rc=$?
  told=$(cat "$work/out")
  [[ $rc -ne 99 ]] || fail "no private /sys/class/hidraw: $(cat "$work/err")"
}
if [[ $(id -u) -ne 0 ]]; then
  ! prerequisites_required || fail "faking a plugged-in module needs root (a mount namespace)"
  echo "SKIP: plugged-in module or none: faking one needs root (a mount namespace)"
  exit 0
fi
plug none
if [[ -r /dev/fuse && -w /dev/fuse ]]; then
  [[ $told == "run: no KX418 module is plugged in, so the program talks to a virtual one at /dev/hidraw0; its log: "* ]] ||
    fail "with no module plugged in tools/run said: $told"
else
  [[ $told == "run: no KX418 module is plugged in, and a virtual one cannot run"* ]] ||
    fail "with no module and no FUSE tools/run said: $told"
fi
[[ -s $calls ]] || fail "with no module plugged in tools/run stopped before installing: $(cat "$work/err")"
plug module
[[ $told != *virtual* && -s $calls ]] || fail "with a module plugged in tools/run said: $told $(cat "$work/err")"
plug module --virtual
[[ $told == "run: the program talks to a virtual module at /dev/hidraw0; its log: "* ]] ||
  fail "with a module plugged in and --virtual tools/run said: $told $(cat "$work/err")"
echo "before building: no module plugged in, the virtual one; a module plugged in, that one; --virtual, the virtual one"
