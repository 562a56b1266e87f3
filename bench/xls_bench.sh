#!/usr/bin/env bash
# Writes the 65,536 x 8 text workbook with our library under Wine and with python3-xlwt
# natively, and prints both figures and the ratio of the wall times.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
"$root/tools/build.sh" x86_64 xls_bench >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ours=$(cd "$work" && WINEPREFIX=$root/build/x86_64/wineprefix "$root/tools/wine.sh" session \
  "$root/tools/wine.sh" run "$root/build/x86_64/bench/xls_bench.exe" ours.xls | tr -d '\r')
echo "$ours"

peer=$(cd "$work" && /usr/bin/python3 - <<'PY'
import resource
import time

import xlwt

start = time.perf_counter()
book = xlwt.Workbook(encoding="utf-8")
sheet = book.add_sheet("Sheet1")
for r in range(65536):
    row = sheet.row(r)
    for c in range(8):
        row.write(c, "R%d C%d" % (r, c))
book.save("xlwt.xls")
elapsed = time.perf_counter() - start
print("xlwt_write_time: %.3f s" % elapsed)
print("xlwt_peak_rss: %.1f MiB" % (resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0))
PY
)
echo "$peer"

ours_time=$(echo "$ours" | awk '/^write_time:/ {print $2}')
peer_time=$(echo "$peer" | awk '/^xlwt_write_time:/ {print $2}')
awk -v a="$ours_time" -v b="$peer_time" 'BEGIN { printf "ratio: %.3f\n", a / b }'
