# prerequisite.sh - the one rule for a test script whose prerequisite this
# machine lacks, as tests/support/prerequisite.h has it for the C++ tests:
# skipped (exit 77, which ctest takes as skipped) with the reason, but
# where the environment variable CI is set (to anything but ""), failed
# (exit 1) instead. Sourced:
#   source "$(dirname "$0")/../support/prerequisite.sh"
#   command -v Xvfb >/dev/null || skip_or_fail_without "Xvfb is missing"

skip_or_fail_without() {
  if [[ -n ${CI:-} ]]; then
    echo "FAIL: $* (CI must run this test)"
    exit 1
  fi
  echo "SKIP: $*"
  exit 77
}

# True where CI is set: for a script that goes on without a part it
# cannot run here, but must not in CI.
prerequisites_required() {
  [[ -n ${CI:-} ]]
}
