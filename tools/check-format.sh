#!/usr/bin/env bash
# Fails when a C or C++ source of the checkout differs from the house style
# (.clang-format). With --fix, formats them in place instead.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
[ ${#files[@]} -gt 0 ] || exit 0
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
else
  clang-format --dry-run --Werror "${files[@]}"
fi
