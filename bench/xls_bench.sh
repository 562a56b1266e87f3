#!/usr/bin/env bash
# The 65,536 x 8 text workbook, run by bench/run.sh: written by our library
# under Wine and by xlwt natively (the same 16-bit strings), three times each
# in turns, the best of each figure printed; then both files must hold the
# same cells.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
[ -n "${BENCH_BIN:-}" ] || exec "$here/run.sh" xls
repeats=3

# The smallest value of each name, in the order first seen.
best() {
  awk -F': ' '{
    split($2, v, " ")
    if (!($1 in low)) { order[++n] = $1; low[$1] = v[1]; unit[$1] = v[2] }
    else if (v[1] + 0 < low[$1] + 0) low[$1] = v[1]
  } END { for (i = 1; i <= n; ++i) printf "%s: %s %s\n", order[i], low[order[i]], unit[order[i]] }'
}

ours="" peer=""
for ((i = 0; i < repeats; ++i)); do
  ours+=$("$root/tools/wine.sh" run "$BENCH_BIN/xls_bench.exe" ours.xls | tr -d '\r')$'\n'
  peer+=$(/usr/bin/python3 "$here/xls_peer.py" write peer.xls)$'\n'
done
ours=$(grep -v '^$' <<<"$ours" | best | sed 's/^/xls_/')
peer=$(grep -v '^$' <<<"$peer" | best)
echo "$ours"
echo "$peer"
/usr/bin/python3 "$here/xls_peer.py" compare ours.xls peer.xls
a=$(awk '$1 == "xls_write_time:" { print $2 }' <<<"$ours")
b=$(awk '$1 == "xlwt_write_time:" { print $2 }' <<<"$peer")
[ -n "$a" ] && [ -n "$b" ] || { echo "xls_bench.sh: error: a write time is missing" >&2; exit 1; }
awk -v a="$a" -v b="$b" 'BEGIN { printf "xls_write_time_vs_xlwt: %.2f x\n", a / b }'
