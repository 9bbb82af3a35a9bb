#!/usr/bin/env bash
# The shipped kx418.dll (through kx418_load_check.exe) and kx418ctl.exe on
# one virtual module under wine, two programs at once where the case says.
# Run by tools/wine-session module, which sets KX418_MODULE_LOG:
#
#   exchange_cases.sh answer-first BIN   node hidraw0:answer-first,delay=500
#   exchange_cases.sh answering BIN      node hidraw0:delay=200
#   exchange_cases.sh answer-twice BIN   node hidraw0:answer-first,answer-twice
#
# answer-first: two transfers at once: one acknowledged, one "Empfangsfehler".
# answering: a module held past the bound (the holder ends without closing):
# the library gives up with 0, kx418ctl.exe exits 6 with its line, list shows
# it busy; a holder that dies releases it to a waiting transfer; two
# transfers at once both succeed, report 2 after report 1's answer; two
# sequencer transfers at once never interleave.
# answer-twice: a sequencer transfer stops at report 2, which only the
# repeat of report 1's answer could have acknowledged.
set -uo pipefail

case_name=$1
bin=$2
log=${KX418_MODULE_LOG:?run this under tools/wine-session module}
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The module's events in order: "report N: function F" and "answered report N".
events() {
  sed -E 's/^hidraw0 (report [0-9]+: function [0-9]+).*/\1/; s/^hidraw0 //' "$log"
}

# Starts kx418_load_check.exe FUNCTION --hold MS; returns once it says "open".
hold() {
  local out=$1
  wine "$bin/kx418_load_check.exe" 1 --hold "$2" >"$out" 2>&1 &
  holder=$!
  for _ in $(seq 300); do
    grep -q '^open' "$out" 2>/dev/null && return 0
    sleep 0.1
  done
  fail "the holder did not open the module: $(cat "$out")"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

case $case_name in
answer-first)
  wine "$bin/kx418_load_check.exe" 3 & first=$!
  sleep 0.1
  wine "$bin/kx418_load_check.exe" 1 & second=$!
  wait $first; a=$?
  wait $second; b=$?
  echo "exit codes: $a $b"
  [[ "$a $b" == "0 4" || "$a $b" == "4 0" ]] || fail "expected one 0 and one 4, got $a $b"
  reports=$(grep -c '^hidraw0 report ' "$log")
  [[ $reports == 2 ]] || fail "the module got $reports reports, expected 2"
  ;;
answering)
  # Held past the bound, by a process that then ends without closing.
  hold "$work/holder" 20000
  listed=$(wine "$bin/kx418ctl.exe" list 2>&1 | tr -d '\r'); code=$?
  echo "$listed"
  [[ $code == 6 ]] || fail "list: exit $code, expected 6"
  grep -q '  2b5d:0418  KX418 (index 0)  busy: in use by another program$' <<<"$listed" ||
    fail "list shows no busy module"
  start=$(date +%s%N)
  said=$(wine "$bin/kx418ctl.exe" send 6 2>&1 | tr -d '\r'); code=$?
  echo "$said"
  [[ $code == 6 ]] || fail "send while held: exit $code, expected 6"
  grep -q '^kx418ctl: .* is in use by another program (still busy after 3 s); try again when that program is done$' <<<"$said" ||
    fail "send while held: no in-use line"
  (( ($(date +%s%N) - start) / 1000000 >= 3000 )) || fail "send gave up before the bound"
  wine "$bin/kx418_load_check.exe" 1; code=$?
  [[ $code == 2 ]] || fail "kx418.dll while held: exit $code, expected 2 (KX418_Open 0)"
  kill $holder 2>/dev/null; wait $holder
  [[ $(grep -c '^hidraw0 report ' "$log") == 0 ]] || fail "a report went out while the module was held"

  # A holder that dies holding it: the waiting transfer gets the module.
  hold "$work/holder" 2500
  wine "$bin/kx418_load_check.exe" 2; code=$?
  wait $holder
  [[ $code == 0 ]] || fail "after the holder died: exit $code, expected 0"

  # Two transfers at once: both acknowledged, never two reports in flight.
  wine "$bin/kx418_load_check.exe" 3 & first=$!
  wine "$bin/kx418_load_check.exe" 4 & second=$!
  wait $first; a=$?
  wait $second; b=$?
  [[ "$a $b" == "0 0" ]] || fail "two transfers at once: exit codes $a $b, expected 0 0"

  # Two sequencer transfers at once: nine reports of one, then nine of the other.
  wine "$bin/kx418ctl.exe" sequence --channel 1 1 2 & first=$!
  wine "$bin/kx418ctl.exe" sequence --channel 2 3 4 --auto-restart & second=$!
  wait $first; a=$?
  wait $second; b=$?
  [[ "$a $b" == "0 0" ]] || fail "two sequences at once: exit codes $a $b, expected 0 0"

  events >"$work/events"
  cat "$work/events"
  # After the first report, each report follows the previous one's answer.
  awk '
    /^report / { n = $2 + 0; if (n > 1 && answered != n - 1) { print "report " n " before answer " n - 1; bad = 1 } }
    /^answered report / { answered = $3 + 0 }
    END { exit bad }' "$work/events" || fail "a report went out before the one before it was answered"
  functions=$(grep -oE 'function [0-9]+' "$work/events" | awk '{print $2}' | tail -18 | tr '\n' ' ')
  [[ $functions == "91 92 93 94 95 96 97 98 9 91 92 93 94 95 96 97 98 9 " ]] ||
    fail "the sequences interleaved: $functions"
  ;;
answer-twice)
  said=$(wine "$bin/kx418ctl.exe" sequence --channel 1 1 2 2>&1 | tr -d '\r'); code=$?
  [[ $code == 4 && $said == "Empfangsfehler!" ]] || fail "sequence: exit $code, said: $said"
  reports=$(grep -c '^hidraw0 report ' "$log")
  [[ $reports == 2 ]] || fail "the module got $reports reports, expected 2"
  ;;
*)
  echo "exchange_cases.sh: unknown case $case_name" >&2
  exit 2
  ;;
esac

[[ $failures == 0 ]] && echo "exchange_cases.sh $case_name: passed"
exit $((failures > 0))
