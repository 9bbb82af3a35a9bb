#!/usr/bin/env bash
# The real program under Xvfb, through tools/screenshot: the window's
# picture has the window's size (700x523) and is not blank; the program
# finds libkx418.so.1 beside itself; copied to a folder without the library
# it shows its panel all the same; it ends on "Beenden" with exit code 0.
#   screenshot_check.sh PROGRAM WORK_FOLDER
# Skips (exit 77) when the X tools are missing, except in CI, where that
# fails.
set -euo pipefail
program=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
screenshot=$here/../../tools/screenshot

source "$here/../support/prerequisite.sh"

for tool in xvfb-run xauth xdotool import identify; do
  command -v "$tool" >/dev/null ||
    skip_or_fail_without "$tool is missing (tools/install-deps installs it)"
done

rm -rf "$work" && mkdir -p "$work/alone"
fail() { echo "FAIL: $*"; exit 1; }

# Beside the library.
output=$("$screenshot" --program "$program" "$work/kx418.png")
echo "$output"
grep -q "has loaded $(dirname "$(realpath "$program")")/libkx418.so.1" <<<"$output" ||
  fail "the program did not load the library beside it"
read -r width height colours < <(identify -format '%w %h %k\n' "$work/kx418.png")
[[ $width -eq 700 && $height -eq 523 ]] || fail "picture is ${width}x${height}, not 700x523"
[[ $colours -gt 16 ]] || fail "picture is blank ($colours colours)"

# Without the library.
cp "$program" "$work/alone/"
output=$("$screenshot" --program "$work/alone/$(basename "$program")" "$work/alone.png")
echo "$output"
grep -q "has loaded no libkx418.so" <<<"$output" || fail "a library was loaded where none lies"
read -r width height colours < <(identify -format '%w %h %k\n' "$work/alone.png")
[[ $width -eq 700 && $height -eq 523 && $colours -gt 16 ]] || fail "no panel shown without the library"
echo "PASS: ${width}x${height}, $colours colours; shown with and without the library"
