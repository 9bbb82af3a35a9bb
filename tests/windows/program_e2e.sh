#!/usr/bin/env bash
# End-to-end tests of KX418.exe: the real program and kx418.dll under wine,
# on a private X server, driven by real input (xdotool), against the
# virtual module seen through wine's HID stack (tools/wine-session module)
# or against no module at all.
#
#   program_e2e.sh CASE BIN_DIR PREFIX WINE_SESSION MODULE_PROGRAM SHOT_DIR
#
# BIN_DIR holds KX418.exe, kx418.dll and win_text.exe (which reads what a
# message box or a field says; it never presses anything). Skips (exit 77)
# where Xvfb, xdotool or wine is missing; in CI (CI set) it fails instead.
set -euo pipefail

case_name=$1 bin=$2 prefix=$3 session=$4 module_program=$5 shots=$6
here=$(cd "$(dirname "$0")" && pwd)

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# ---- steps, run with the wine environment and DISPLAY set ----------------

pid="" ox=0 oy=0 width=0 height=0 dpi=96
title="KX418 Configurator v1.0, (c) 2026 KX418 project"

# Starts KX418.exe from folder $1 (current folder $2) and waits for its
# window; ox, oy: the client area's place on the screen.
launch() {
  local folder=$1 cwd=${2:-$1}
  (cd "$cwd" && exec wine "$folder/KX418.exe" >/dev/null 2>&1) &
  pid=$!
  local window
  window=$(timeout 60 xdotool search --sync --onlyvisible --name '^KX418 Configurator' | head -1) ||
    fail "no window of KX418.exe"
  sleep 1
  local geometry
  geometry=$(xdotool getwindowgeometry --shell "$window")
  local X Y WIDTH HEIGHT
  eval "$geometry"
  # Wine draws the frame itself: a border on every side, a caption on top.
  local border=$(((WIDTH - client_width) / 2))
  ox=$((X + border))
  oy=$((Y + HEIGHT - client_height - border))
  width=$WIDTH height=$HEIGHT
}

# Places are given at 96 DPI and scaled to the screen's.
at() { echo $((ox + ($1 * dpi + 48) / 96)) $((oy + ($2 * dpi + 48) / 96)); }
click() { xdotool mousemove $(at "$1" "$2") click 1; sleep 0.3; }

# Clicks into a field, clears it and types.
type_into() {
  click "$1" "$2"
  xdotool key End
  xdotool key --repeat 12 BackSpace
  xdotool type --delay 30 "$3"
  sleep 0.2
}

text_at() { wine "$bin/win_text.exe" at $(at "$1" "$2") | tr -d '\r'; }

# Waits for a message box, checks its title and message, closes it with
# Return (its OK button has the focus).
box_says() {
  local said="" i
  for i in $(seq 1 100); do
    said=$(wine "$bin/win_text.exe" box 2>/dev/null | tr -d '\r') && break
    sleep 0.1
  done
  [[ -n $said ]] || fail "no message box (wanted \"$1\": \"$2\")"
  [[ $said == "$1"$'\n'"$2" ]] || fail "the box said: $said; wanted \"$1\": \"$2\""
  xdotool key Return
  sleep 0.5
  ! wine "$bin/win_text.exe" box >/dev/null 2>&1 || fail "the box \"$1\" stayed after Return"
}

# The program has ended, with exit code 0.
ends_with_zero() {
  local rc=0
  timeout 30 tail --pid="$pid" -f /dev/null || fail "KX418.exe did not end on $1"
  wait "$pid" || rc=$?
  [[ $rc -eq 0 ]] || fail "KX418.exe exited with $rc on $1"
}

# Places in the client area (page controls lie 15, 32 from its corner).
send_button=(127 357)   # "Einstellungen abschicken", pages Fn1 to Fn8
quit_button=(629 500)   # "Beenden"
tab() { click $((42 + 54 * ($1 - 1))) 21; }

# The runtime's tests, on this X server.
step_runtime() {
  wine "$bin/win32_runtime_test.exe" </dev/null 2>&1 | tr -d '\r'
  [[ ${PIPESTATUS[0]} -eq 0 ]] || fail "the Win32 runtime's tests failed"
}

step_no_module() {
  launch "$bin"
  click "${send_button[@]}"
  box_says Fehler "Das Geraet wurde nicht gefunden!"
  click "${quit_button[@]}"
  ends_with_zero '"Beenden"'
}

step_no_library() {
  local alone
  alone=$(mktemp -d /tmp/kx418-exe-XXXXXX)
  cp "$bin/KX418.exe" "$alone/"
  launch "$alone"
  click "${send_button[@]}"
  box_says Fehler "Die Geraetebibliothek wurde nicht gefunden!"
  xdotool key alt+F4
  ends_with_zero "closing the window"
  rm -rf "$alone"
}

# A kx418.dll in the current folder and on PATH, none beside the program:
# it is not loaded, so a send says the library is missing.
step_planted_library() {
  local alone planted
  alone=$(mktemp -d /tmp/kx418-exe-XXXXXX)
  planted=$(mktemp -d /tmp/kx418-planted-XXXXXX)
  cp "$bin/KX418.exe" "$alone/"
  cp "$bin/kx418.dll" "$planted/"
  WINEPATH=$(winepath -w "$planted") launch "$alone" "$planted"
  click "${send_button[@]}"
  box_says Fehler "Die Geraetebibliothek wurde nicht gefunden!"
  click "${quit_button[@]}"
  ends_with_zero '"Beenden"'
  rm -rf "$alone" "$planted"
}

# 30 d 23 h 59 min 59 s: days and minutes typed, hours typed beyond their
# limit, seconds by 65 clicks on their up arrow (they stop at 59).
step_converter() {
  launch "$bin"
  type_into 210 447 30
  type_into 285 447 99
  [[ $(text_at 285 447) == 23 ]] || fail "hours typed as 99 show $(text_at 285 447), not 23"
  type_into 360 447 59
  xdotool mousemove $(at 407 441) click --repeat 65 --delay 40 1
  sleep 0.5
  [[ $(text_at 435 447) == 59 ]] || fail "seconds after 65 arrow clicks show $(text_at 435 447), not 59"
  click 89 443   # "Zeit umrechnen"
  [[ $(text_at 604 447) == 2678399 ]] || fail "the converter shows $(text_at 604 447), not 2678399"
  xdotool key alt+F4
  ends_with_zero "closing the window"
}

step_screenshot() {
  local name=$1
  launch "$bin"
  local shot=$shots/KX418-$name.png
  import -window root -crop "${width}x${height}+$((ox - (width - client_width) / 2))+$((oy - (height - client_height) + (width - client_width) / 2))" "$shot"
  local client
  client=$(wine "$bin/win_text.exe" client "KX418 Configurator v1.0, (c) 2026 KX418 project" | tr -d '\r')
  [[ $client == "${client_width}x${client_height}" ]] ||
    fail "the client area is $client, not ${client_width}x${client_height} at $dpi DPI"
  local spread
  spread=$(convert "$shot" -format '%[fx:standard_deviation]' info:)
  awk -v s="$spread" 'BEGIN { exit !(s > 0.05) }' || fail "the screenshot $shot is blank (spread $spread)"
  echo "screenshot $shot: window ${width}x${height}, client ${client_width}x${client_height}"
  click "${quit_button[@]}"
  ends_with_zero '"Beenden"'
}

step_function_3() {
  launch "$bin"
  tab 3
  type_into 103 129 10
  type_into 103 179 20
  click "${send_button[@]}"  # at once, the field not left before
  box_says Info "Die Einstellungen wurden abgeschickt!"
  grep -q "report 1: function 3 setting 0 time1 10000 ms time2 20000 ms checksum .. ok" "$KX418_MODULE_LOG" ||
    fail "the module's log: $(cat "$KX418_MODULE_LOG")"
  click "${quit_button[@]}"
  ends_with_zero '"Beenden"'
}

step_sequencer() {
  launch "$bin"
  tab 9
  click 171 357  # "Einstellungen abschicken" on page Fn9
  box_says Info "Die Einstellungen wurden abgeschickt!"
  local functions
  functions=$(grep -o 'report [0-9]*: function [0-9]*' "$KX418_MODULE_LOG" | awk '{ printf "%s ", $4 }')
  [[ $functions == "91 92 93 94 95 96 97 98 9 " ]] || fail "the module received functions $functions"
  click "${quit_button[@]}"
  ends_with_zero '"Beenden"'
}

# By keyboard alone: what has the keyboard, as "Class: text".
focus_is() {
  local said
  said=$(wine "$bin/win_text.exe" focus "$title" | tr -d '\r')
  [[ $said == "$1" ]] || fail "$2: the keyboard is on \"$said\", not on \"$1\""
}

# The module's log holds exactly $1 reports of function 3 with 10000 and
# 20000 ms.
sends_are() {
  local count
  count=$(grep -c "function 3 setting 0 time1 10000 ms time2 20000 ms checksum .. ok" "$KX418_MODULE_LOG" || true)
  [[ $count -eq $1 ]] || fail "$2: the module received $count sends, not $1: $(cat "$KX418_MODULE_LOG")"
}

step_keyboard() {
  launch "$bin"
  focus_is "SysTabControl32: " "at start"
  xdotool key ctrl+Tab ctrl+Tab
  sleep 0.3
  xdotool key Tab
  focus_is "Edit: 0.0" "Tab on Fn3"
  xdotool type --delay 30 10
  xdotool key Tab
  xdotool type --delay 30 20
  xdotool key Tab
  focus_is "Button: Einstellungen abschicken" "Tab after Fn3's fields"
  xdotool key Return
  box_says Info "Die Einstellungen wurden abgeschickt!"
  sends_are 1 "Enter on the send button"
  focus_is "Button: Einstellungen abschicken" "after the box"
  xdotool key space
  box_says Info "Die Einstellungen wurden abgeschickt!"
  sends_are 2 "Space on the send button"
  # 30 d 23 h 59 min 59 s by keyboard, then the result reached with Tab.
  local value
  for value in 30 23 59 59; do
    xdotool key Tab
    xdotool type --delay 30 $value
  done
  xdotool key Tab
  focus_is "Button: Zeit umrechnen" "Tab after the converter's inputs"
  xdotool key Return
  sleep 0.3
  xdotool key Tab
  focus_is "Edit: 2678399" "Tab after \"Zeit umrechnen\""
  xdotool key Tab
  focus_is "Button: Beenden" "Tab after the result"
  xdotool key Return
  ends_with_zero 'Enter on "Beenden"'
}

step_silent_module() {
  launch "$bin"
  local start end
  start=$(date +%s%N)
  click "${send_button[@]}"
  local said="" i
  for i in $(seq 1 100); do
    said=$(wine "$bin/win_text.exe" box 2>/dev/null | tr -d '\r') && break
    sleep 0.1
  done
  end=$(date +%s%N)
  local ms=$(((end - start) / 1000000))
  ((ms >= 1800 && ms <= 6000)) || fail "the box came after $ms ms, not after about 2000"
  box_says Fehler "Empfangsfehler!"
  click "${quit_button[@]}"
  ends_with_zero '"Beenden"'
}

if [[ $case_name == --steps ]]; then
  step=$2
  shift 6
  bin=$1 dpi=$2 shots=$3
  client_width=$(((700 * dpi + 48) / 96)) client_height=$(((523 * dpi + 48) / 96))
  "step_$step" "${@:4}"
  exit
fi

# ---- the X server, the prefix and the session around the steps -----------

source "$here/../support/prerequisite.sh"
for tool in Xvfb xdotool wine import; do
  command -v "$tool" >/dev/null ||
    skip_or_fail_without "$tool is missing (tools/install-deps installs it)"
done

dpi=96
[[ $case_name == screenshot_150 ]] && dpi=144

# Its own prefix per DPI; made once, with wine's own window frames (no
# window manager: hiding a window then takes 0.1 s, not 2 s), caption
# glyphs, no crash dialog.
case $case_name in
  function_3 | sequencer | silent_module | keyboard) prefix=$prefix-module ;;  # its HID bus reads hidraw nodes
  *) prefix=$prefix-$dpi ;;
esac
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
if [[ ! -f $prefix/.kx418-gui ]]; then
  bash "$session" start --prefix "$prefix"
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null 2>&1
  mkdir -p "$prefix/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
  bash "$session" stop --prefix "$prefix"
  : >"$prefix/.kx418-gui"
fi

xlog=$(mktemp)
xvfb=""
cleanup() {
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  rm -f "$xlog"
}
trap cleanup EXIT
# Xvfb picks a free display and names it; tried again when another
# server took the same one at the same moment.
display=""
for _ in 1 2 3; do
  exec {display_fd}<> <(:)
  Xvfb -displayfd "$display_fd" -screen 0 1600x1200x24 -nolisten tcp -noreset >"$xlog" 2>&1 &
  xvfb=$!
  for _ in $(seq 1 100); do
    read -r -t 0.1 -u "$display_fd" display && break
    kill -0 "$xvfb" 2>/dev/null || break
  done
  exec {display_fd}<&-
  [[ -n $display ]] && break
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
done
[[ -n $display ]] || fail "Xvfb did not start: $(cat "$xlog")"
export DISPLAY=:$display

steps=(--steps "$case_name" "" "" "" "" "$bin" "$dpi" "$shots")
case $case_name in
  function_3 | sequencer | silent_module | keyboard)
    node=hidraw0
    [[ $case_name == silent_module ]] && node=hidraw0:silent
    bash "$session" module --prefix "$prefix" --module-program "$module_program" --node "$node" \
      --settle "$bin/kx418_hid_settle.exe" -- bash "$here/program_e2e.sh" "${steps[@]}"
    ;;
  screenshot_96 | screenshot_150)
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    bash "$here/program_e2e.sh" --steps screenshot "" "" "" "" "$bin" "$dpi" "$shots" "${case_name#screenshot_}"
    ;;
  *)
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    bash "$here/program_e2e.sh" "${steps[@]}"
    ;;
esac
