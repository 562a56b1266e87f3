#!/usr/bin/env bash
# Runs one GoogleTest program under Wine (wine.sh run). It passes only when the
# program exits with 0 AND printed GoogleTest's closing summary with no failed
# test: under Wine a crash such as a stack overflow can end the process with
# code 0 half way through the run.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
log=$(mktemp "${TMPDIR:-/tmp}/gtest-log.XXXXXX")
trap 'rm -f "$log"' EXIT

"$here/wine.sh" run "$@" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
if [ "$status" -ne 0 ]; then
  exit "$status"
fi
if ! grep -Eq '^\[  PASSED  \] [0-9]+ tests?\.' "$log"; then
  echo "gtest.sh: the program ended with code 0 before GoogleTest's summary" >&2
  exit 1
fi
if grep -q '^\[  FAILED  \]' "$log"; then
  echo "gtest.sh: failed tests were reported, yet the program ended with code 0" >&2
  exit 1
fi
