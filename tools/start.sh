#!/usr/bin/env bash
# Sets up the machine, builds the x86_64 target and starts the program under
# Wine, on $DISPLAY when it works, else in a private Xvfb.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
"$here/setup.sh"
"$here/build.sh" x86_64
program=$root/build/x86_64/app/Mensaro.exe
if [ ! -f "$program" ]; then
  echo "start.sh: everything is built; the program itself does not exist yet (no main window so far)."
  exit 0
fi
WINEPREFIX=$root/build/x86_64/wineprefix exec "$here/wine.sh" start "$program"
