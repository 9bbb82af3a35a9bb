#!/usr/bin/env bash
# The README's run command where no module is plugged in: tools/run under a
# private X server starts the virtual module by itself and says so in one
# line (with a module plugged in, --virtual asks for the virtual one). One
# press of "Einstellungen abschicken" on page Fn1 must reach the module's
# log and bring up the "Info" box; "Beenden" must end it all with exit code
# 0, leaving no mount, no module process and no work folder behind.
#   run_virtual_check.sh WORK_FOLDER
# Skips (exit 77) where /dev/fuse or Xvfb is missing; in CI (CI set) that
# fails.
set -euo pipefail
work=$1
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
run=$root/tools/run

source "$here/../support/prerequisite.sh"
[[ -r /dev/fuse && -w /dev/fuse ]] || skip_or_fail_without "FUSE is not available here (/dev/fuse)"
command -v Xvfb >/dev/null || skip_or_fail_without "Xvfb is missing (tools/install-deps installs it)"

rm -rf "$work" && mkdir -p "$work"
fail() { echo "FAIL: $*"; cat "$work/run.out" 2>/dev/null || true; exit 1; }
server_pid= run_pid=
finish() {
  [[ -z $run_pid ]] || kill -TERM "$run_pid" 2>/dev/null || true
  [[ -z $run_pid ]] || wait "$run_pid" 2>/dev/null || true
  [[ -z $server_pid ]] || kill "$server_pid" 2>/dev/null || true
}
trap finish EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 >"$work/xvfb.log" 2>&1 &
server_pid=$!
exec 3>&-
for _ in $(seq 200); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || fail "Xvfb did not start"
export DISPLAY=:$(head -n1 "$work/display")
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

work_folders() { compgen -G '/tmp/kx418-run-*' | sort || true; }
before=$(work_folders)
if grep -qsi '^HID_ID=[0-9a-f]*:00002B5D:00000418$' /sys/class/hidraw/hidraw*/device/uevent; then
  echo "a KX418 module is plugged in here: tools/run --virtual instead of tools/run"
  arguments=(--virtual) told="the program talks to a virtual module"
else
  arguments=() told="no KX418 module is plugged in, so the program talks to a virtual one"
fi
log=build/default/virtual-module.log
bash "$run" "${arguments[@]}" >"$work/run.out" 2>&1 &
run_pid=$!
# The first run may build the program first: up to 10 minutes, while
# tools/run runs.
window=
for _ in $(seq 3000); do
  window=$(xdotool search --onlyvisible --name '^KX418 Configurator' 2>/dev/null | head -n1) || true
  [[ -z $window ]] || break
  kill -0 "$run_pid" 2>/dev/null || fail "tools/run ended before a program window appeared"
  sleep 0.2
done
[[ -n $window ]] || fail "no program window appeared"
# "Einstellungen abschicken" on page Fn1: 151x26 at left 37, top 312 of the
# page, which lies at left 15, top 32 of the window.
xdotool mousemove --window "$window" 127 357 click 1
box=$(timeout 20 xdotool search --sync --onlyvisible --name '^(Info|Fehler)$' | head -n1) ||
  fail "no message box appeared"
title=$(xdotool getwindowname "$box")
# Keys go to the box once it has the keyboard: the pointer over it, the
# focus given, and asked again should a key have gone astray.
said=
for _ in $(seq 10); do
  xdotool mousemove --window "$box" 5 5 windowfocus "$box" key --clearmodifiers ctrl+c
  sleep 0.3
  said=$(timeout 10 xclip -out -selection clipboard 2>/dev/null | sed -n 4p || true)
  [[ -z $said ]] || break
done
for _ in $(seq 5); do
  xdotool mousemove --window "$box" 5 5 windowfocus "$box" key --clearmodifiers Return
  sleep 0.5
  xdotool search --onlyvisible --name '^(Info|Fehler)$' >/dev/null || break
done
[[ $title == Info && $said == "Die Einstellungen wurden abgeschickt!" ]] ||
  fail "the box said \"$title\" / \"$said\""
grep -q "^hidraw0 report 1: function 1 setting 0 time1 0 ms time2 0 ms checksum .. ok" "$root/$log" ||
  fail "the module's log does not show the report: $(cat "$root/$log")"

# "Beenden": 118x26 at left 570, top 487 of the window.
timeout 10 xdotool search --sync --onlyvisible --name '^KX418 Configurator' >/dev/null
xdotool mousemove --window "$window" 629 500 click 1
rc=0
timeout 30 tail --pid="$run_pid" -f /dev/null || fail "tools/run did not end on \"Beenden\""
wait "$run_pid" || rc=$?
run_pid=
[[ $rc -eq 0 ]] || fail "tools/run exited with $rc"
grep -qx "run: $told at /dev/hidraw0; its log: $root/$log (follow it with: tail -f $root/$log)" "$work/run.out" ||
  fail "tools/run did not say in one line that it started the virtual module"
grep -qx "run: the program ended; the virtual module received 1 report" "$work/run.out" ||
  fail "tools/run did not tell the report count"
! grep -q '/tmp/kx418-run-' /proc/self/mountinfo || fail "a module folder is still mounted"
[[ $(work_folders) == "$before" ]] || fail "a work folder is left behind: $(work_folders)"
echo "PASS: tools/run${arguments[*]:+ ${arguments[*]}}: the virtual module said in one line, report logged, \"Info\" box shown, all cleaned up"
