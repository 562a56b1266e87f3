#!/usr/bin/env bash
# Strip thumbnails of 12 and 24 megapixels, run by bench/run.sh: ours under
# Wine, then PIL natively doing the same crop, bilinear reduction and PNG in
# the same run; the ratios of ours to PIL.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
[ -n "${BENCH_BIN:-}" ] || exec "$here/run.sh" thumbnail
ours=$("$root/tools/wine.sh" run "$BENCH_BIN/thumbnail_bench.exe" | tr -d '\r')
echo "$ours"
peer=$(/usr/bin/python3 - <<'PY'
import time
import numpy as np
from PIL import Image
for name, (w, h) in (("12mp", (4000, 3000)), ("24mp", (6000, 4000))):
    y, x = np.mgrid[0:h, 0:w]
    array = np.dstack([(x * 7 + y) & 255, (y * 3) & 255, (x ^ y) & 255]).astype(np.uint8)
    picture = Image.fromarray(array, "RGB")
    # The 48 x 27 cover crop: whole width, the middle rows.
    ch = int(27 / (48 / w) + 0.5)
    top = (h - ch) // 2
    best = 1e30
    for _ in range(5):
        t = time.perf_counter()
        picture.crop((0, top, w, top + ch)).resize((48, 27), Image.BILINEAR).save("thumbnail_pil.png")
        best = min(best, time.perf_counter() - t)
    print(f"thumbnail_{name}_pil: {best * 1000:.2f} ms")
PY
)
echo "$peer"
for n in 12mp 24mp; do
  a=$(awk -v k="thumbnail_${n}:" '$1 == k { print $2 }' <<<"$ours")
  b=$(awk -v k="thumbnail_${n}_pil:" '$1 == k { print $2 }' <<<"$peer")
  [ -n "$a" ] && [ -n "$b" ] || { echo "thumbnail_bench.sh: error: a figure is missing" >&2; exit 1; }
  awk -v a="$a" -v b="$b" -v n="$n" 'BEGIN { printf "thumbnail_%s_vs_pil: %.2f x\n", n, a / b }'
done
