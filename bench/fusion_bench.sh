#!/usr/bin/env bash
# Fusion, run by bench/run.sh: our engine (fusion_bench.exe under Wine)
# against enfuse with focus-stack settings, both on one thread, on the same
# BMP files in the same session, in turns; the best of two runs each.
#
#   bench/run.sh fusion          5 pictures of 12 MP
#   bench/run.sh fusion_series   then 1 and 10 pictures of 12 MP, 5 of 3 and
#                                24 MP, and 12 MP with a 10,000-pixel side
#
# Needs about 2 GB in the working folder (the current one).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
if [ -z "${BENCH_BIN:-}" ]; then
  [ "${1:-}" = --series ] && exec "$here/run.sh" fusion_series
  exec "$here/run.sh" fusion
fi
repeats=2

fail() {
  echo "fusion_bench.sh: error: $*" >&2
  exit 1
}

# make W H N: N textured pictures of W x H, each blurred except in its own band.
make() {
  /usr/bin/python3 - "$1" "$2" "$3" <<'PY'
import sys
import numpy as np
from PIL import Image
width, height, count = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
rng = np.random.default_rng(1)
coarse = rng.integers(0, 160, (height // 16 + 1, width // 16 + 1, 3), dtype=np.uint8)
base = np.repeat(np.repeat(coarse, 16, 0), 16, 1)[:height, :width]
detail = rng.integers(0, 96, (height, width, 3), dtype=np.uint8)
for i in range(count):
    picture = base.copy()
    band = slice(i * height // count, (i + 1) * height // count)
    picture[band] += detail[band]   # sharp in its band, flat elsewhere
    Image.fromarray(picture, "RGB").save(f"in_{width}x{height}_{i}.bmp")
PY
}

# least A B: the smaller number, or B when A is empty.
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b + 0 < a + 0) ? b : a }'; }

# run W H N LABEL: fuses N pictures of W x H with both and prints the figures.
run() {
  local w=$1 h=$2 n=$3 label=$4 i out ms mb s kb
  local our_ms="" our_mb="" their_s="" their_kb=""
  local files=()
  for ((i = 0; i < n; ++i)); do files+=("in_${w}x${h}_$i.bmp"); done
  for ((i = 0; i < repeats; ++i)); do
    rm -f ours.bmp enfuse.tif
    out=$("$root/tools/wine.sh" run "$BENCH_BIN/fusion_bench.exe" ours.bmp "${files[@]}" | tr -d '\r')
    ms=$(sed -n 's/^wall_time: \([0-9.]*\) ms$/\1/p' <<<"$out")
    mb=$(sed -n 's/^peak_working_set: \([0-9.]*\) MB$/\1/p' <<<"$out")
    [ -n "$ms" ] && [ -n "$mb" ] || fail "no figures from fusion_bench.exe"
    OMP_NUM_THREADS=1 /usr/bin/time -f '%e %M' -o time.txt enfuse --exposure-weight=0 --saturation-weight=0 \
      --contrast-weight=1 --hard-mask -o enfuse.tif "${files[@]}" >/dev/null 2>&1 || fail "enfuse failed"
    read -r s kb <time.txt
    our_ms=$(least "$our_ms" "$ms")
    our_mb=$(least "$our_mb" "$mb")
    their_s=$(least "$their_s" "$s")
    their_kb=$(least "$their_kb" "$kb")
  done
  # Both must have made a picture of the inputs' size.
  /usr/bin/python3 -c 'import sys; from PIL import Image
sys.exit(any(Image.open(p).size != (int(sys.argv[1]), int(sys.argv[2])) for p in ("ours.bmp", "enfuse.tif")))' \
    "$w" "$h" || fail "a result is not ${w}x${h}"
  awk -v l="$label" -v oms="$our_ms" -v omb="$our_mb" -v ts="$their_s" -v tkb="$their_kb" 'BEGIN {
    printf "%s_ours_time: %.0f ms\n", l, oms
    printf "%s_enfuse_time: %.0f ms\n", l, ts * 1000
    printf "%s_ours_peak_memory: %.0f MB\n", l, omb
    printf "%s_enfuse_peak_memory: %.0f MB\n", l, tkb / 1024
    printf "%s_ours_time_vs_enfuse: %.2f x\n", l, oms / (ts * 1000)
    printf "%s_ours_peak_memory_vs_enfuse: %.2f x\n", l, omb / (tkb / 1024)
  }'
}

# ours_only W H N LABEL: our engine alone on generated pictures (no files).
ours_only() {
  local i out fused="" memory=""
  for ((i = 0; i < repeats; ++i)); do
    out=$("$root/tools/wine.sh" run "$BENCH_BIN/fusion_bench.exe" --synthetic "$1" "$2" "$3" | tr -d '\r')
    fused=$(least "$fused" "$(sed -n 's/^fusion_time: \([0-9.]*\) ms$/\1/p' <<<"$out")")
    memory=$(least "$memory" "$(sed -n 's/^peak_working_set: \([0-9.]*\) MB$/\1/p' <<<"$out")")
  done
  [ -n "$fused" ] && [ -n "$memory" ] || fail "no figures from fusion_bench.exe --synthetic"
  echo "$4_ours_fusion_time: $fused ms"
  echo "$4_ours_peak_memory: $memory MB"
}

if [ "${1:-}" != --series ]; then
  make 4000 3000 5
  run 4000 3000 5 fuse5x12mp
  exit 0
fi
make 4000 3000 10
for n in 1 5 10; do run 4000 3000 "$n" "fuse${n}x12mp"; done
rm -f in_4000x3000_*.bmp
make 2000 1500 5
run 2000 1500 5 fuse5x3mp
rm -f in_2000x1500_*.bmp
make 6000 4000 5
run 6000 4000 5 fuse5x24mp
rm -f in_6000x4000_*.bmp
# The same 12 MP with a 10,000-pixel side: memory follows the pixels, not the side.
ours_only 10000 1200 5 fuse5x10000x1200
