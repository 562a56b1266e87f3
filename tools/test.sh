#!/usr/bin/env bash
# Sets up the machine, builds the x86_64 target and runs every test under Wine
# in a private Xvfb. Extra arguments go to ctest (for example -R image_test);
# a selection that matches no test fails.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
"$here/setup.sh"
"$here/build.sh" x86_64
jobs=$(($(nproc) > 4 ? 4 : $(nproc)))
WINEPREFIX=$root/build/x86_64/wineprefix \
  "$here/wine.sh" session ctest --test-dir "$root/build/x86_64" --output-on-failure --no-tests=error -j "$jobs" "$@"
