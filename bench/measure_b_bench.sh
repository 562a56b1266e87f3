#!/usr/bin/env bash
# The curve, polygon and curve polygon rebuilds, run by bench/run.sh: our
# figures and glu32 under Wine, then shapely buffering the same curve samples
# natively in the same run; the ratios of ours to shapely.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
[ -n "${BENCH_BIN:-}" ] || exec "$here/run.sh" measure_b
ours=$("$root/tools/wine.sh" run "$BENCH_BIN/measure_b_bench.exe" | tr -d '\r')
echo "$ours"
peer=$(/usr/bin/python3 - <<'PY'
import time
from shapely.geometry import LineString
for n in (5, 20, 100):
    pts = [tuple(map(float, l.split())) for l in open(f"curve_{n}.txt")]
    line = LineString(pts)
    best = 1e30
    for _ in range(5):
        t = time.perf_counter()
        for _ in range(50):
            line.buffer(2.5, cap_style=2, join_style=3)
        best = min(best, (time.perf_counter() - t) / 50)
    print(f"curve{n}_shapely_buffer: {best * 1e6:.1f} us")
PY
)
echo "$peer"
for n in 5 20 100; do
  a=$(awk -v k="curve${n}_pen5_move:" '$1 == k { print $2 }' <<<"$ours")
  b=$(awk -v k="curve${n}_shapely_buffer:" '$1 == k { print $2 }' <<<"$peer")
  [ -n "$a" ] && [ -n "$b" ] || { echo "measure_b_bench.sh: error: a figure is missing" >&2; exit 1; }
  awk -v a="$a" -v b="$b" -v n="$n" 'BEGIN { printf "curve%d_pen5_move_vs_shapely: %.2f x\n", n, a / b }'
done
