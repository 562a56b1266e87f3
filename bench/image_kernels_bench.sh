#!/usr/bin/env bash
# Runs demosaic_scale_bench under Wine and the OpenCV peer natively on the
# same machine, then prints each of our figures with its ratio to OpenCV on
# one thread. Build first: tools/build.sh x86_64
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
ours=$("$root/tools/wine.sh" run "$root/build/x86_64/bench/demosaic_scale_bench.exe" | tr -d '\r')
peer=$(/usr/bin/python3 "$here/opencv_peer.py")
echo "$ours"
echo "$peer"
while IFS=': ' read -r name value unit; do
  ref=$(echo "$peer" | awk -v n="${name}_opencv:" '$1 == n { print $2 }')
  [ -n "$ref" ] && awk -v a="$value" -v b="$ref" -v n="$name" 'BEGIN { printf "%s_vs_opencv\nratio: %.2f\n", n, a / b }'
done <<< "$ours"
