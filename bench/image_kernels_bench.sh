#!/usr/bin/env bash
# Demosaic and scaling, run by bench/run.sh: demosaic_scale_bench under Wine
# and the OpenCV peer natively in the same session, then each of our figures
# with its ratio to OpenCV on one thread, as ours runs.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
[ -n "${BENCH_BIN:-}" ] || exec "$here/run.sh" demosaic_scale

ours=$("$root/tools/wine.sh" run "$BENCH_BIN/demosaic_scale_bench.exe" | tr -d '\r')
peer=$(/usr/bin/python3 "$here/opencv_peer.py")
echo "$ours"
echo "$peer"
while IFS=": " read -r name value _; do
  ref=$(awk -v n="${name}_opencv:" '$1 == n { print $2 }' <<<"$peer")
  [ -z "$ref" ] || awk -v a="$value" -v b="$ref" -v n="$name" 'BEGIN { printf "%s_vs_opencv: %.2f x\n", n, a / b }'
done <<<"$ours"
