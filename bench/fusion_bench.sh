#!/usr/bin/env bash
# Fusion benchmark: our engine (bench/fusion_bench.exe under Wine) against
# enfuse with focus-stack settings, on the same BMP files in the same run.
# Prints `name: value unit` lines and the ratios (ours / enfuse).
#
#   bench/fusion_bench.sh           5 pictures of 12 MP, then the growth series
#   bench/fusion_bench.sh --quick   5 pictures of 12 MP only
#
# Needs the x86_64 build (tools/build.sh x86_64) and about 2 GB in $TMPDIR.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
exe=$root/build/x86_64/bench/fusion_bench.exe
[ -x "$exe" ] || { echo "build first: tools/build.sh x86_64" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/fusion_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# make W H N: N textured pictures of W x H, each blurred except in its own band.
make() {
  /usr/bin/python3 - "$work" "$1" "$2" "$3" <<'PY'
import sys
import numpy as np
from PIL import Image
folder, width, height, count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
rng = np.random.default_rng(1)
coarse = rng.integers(0, 160, (height // 16 + 1, width // 16 + 1, 3), dtype=np.uint8)
base = np.repeat(np.repeat(coarse, 16, 0), 16, 1)[:height, :width]
detail = rng.integers(0, 96, (height, width, 3), dtype=np.uint8)
for i in range(count):
    picture = base.copy()
    band = slice(i * height // count, (i + 1) * height // count)
    picture[band] += detail[band]   # sharp in its band, flat elsewhere
    Image.fromarray(picture, "RGB").save(f"{folder}/in_{width}x{height}_{i}.bmp")
PY
}

inputs() { ls "$work"/in_"$1"x"$2"_*.bmp | head -n "$3"; }

# run W H N LABEL: fuses N pictures of W x H with both and prints the figures.
run() {
  local w=$1 h=$2 n=$3 label=$4 ours theirs
  ours=$("$root/tools/wine.sh" run "$exe" "$work/ours.bmp" $(inputs "$w" "$h" "$n") | tr -d '\r')
  /usr/bin/time -v -o "$work/time.txt" enfuse --exposure-weight=0 --saturation-weight=0 --contrast-weight=1 \
    --hard-mask -o "$work/enfuse.tif" $(inputs "$w" "$h" "$n") >/dev/null 2>&1
  theirs=$(cat "$work/time.txt")
  local our_ms our_mb their_s their_kb
  our_ms=$(sed -n 's/^wall_time: \([0-9.]*\) ms/\1/p' <<<"$ours")
  our_mb=$(sed -n 's/^peak_working_set: \([0-9.]*\) MB/\1/p' <<<"$ours")
  their_s=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' <<<"$theirs" | awk -F: '{ print ($1 * 60 + $2) }')
  their_kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' <<<"$theirs")
  awk -v l="$label" -v oms="$our_ms" -v omb="$our_mb" -v ts="$their_s" -v tkb="$their_kb" 'BEGIN {
    printf "%s_ours_time: %.0f ms\n", l, oms
    printf "%s_enfuse_time: %.0f ms\n", l, ts * 1000
    printf "%s_ours_peak_memory: %.0f MB\n", l, omb
    printf "%s_enfuse_peak_memory: %.0f MB\n", l, tkb / 1024
    printf "%s_time_ratio: %.2f x\n", l, oms / (ts * 1000)
    printf "%s_memory_ratio: %.2f x\n", l, omb / (tkb / 1024)
  }'
}

# ours_only W H N LABEL: our engine alone on generated pictures (no files).
ours_only() {
  "$root/tools/wine.sh" run "$exe" --synthetic "$1" "$2" "$3" | tr -d '\r' |
    sed -n "s/^\(fusion_time\|peak_working_set\):/$4_ours_\1:/p"
}

make 4000 3000 10
run 4000 3000 5 fuse5x12mp
[ "${1:-}" = "--quick" ] && exit 0

for n in 1 10; do run 4000 3000 "$n" "fuse${n}x12mp"; done
make 2000 1500 5
run 2000 1500 5 fuse5x3mp
rm -f "$work"/in_4000x3000_*.bmp
make 6000 4000 5
run 6000 4000 5 fuse5x24mp
rm -f "$work"/in_6000x4000_*.bmp
# The same 12 MP with a 10,000-pixel side: memory follows the pixels, not the side.
ours_only 10000 1200 5 fuse5x10000x1200
