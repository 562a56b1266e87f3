#!/usr/bin/env bash
# Builds the benchmarks and runs them in one Wine session, in a temporary
# folder removed afterwards. Prints one `name: value unit` line per figure;
# a ratio `A_vs_B: R x` is A's time (or memory) over B's, so above 1 means
# A is slower. Each side is the best of several runs in the same session.
# Exits non-zero when a benchmark fails, prints an error or an odd line.
#
#   bench/run.sh [NAME...]   NAME: image_decode enhance histogram demosaic_scale
#                            geometry canvas_upload canvas_input figures measure_a measure_b
#                            textclip overlay_histogram xls fusion skin skin_tree edit vidmill capture snapshot slides video
#                            startup open status measure_list thumbnail (all by default),
#                            project (the 10,000-figure project files, only by name),
#                            fusion_series (the long fusion series, only by name)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
all=(image_decode enhance histogram demosaic_scale geometry canvas_upload canvas_input figures measure_a measure_b
     textclip overlay_histogram xls fusion skin skin_tree edit vidmill capture snapshot slides video startup open status
     measure_list thumbnail)

# The program each benchmark needs.
target() {
  case "$1" in
    image_decode | canvas_upload) echo "$1" ;;
    enhance | histogram | geometry | canvas_input | figures | measure_a | textclip | overlay_histogram | \
      fusion | project | skin | skin_tree | edit | vidmill | capture | snapshot | slides | video | startup | open | \
      status | measure_list)
      echo "${1}_bench" ;;
    fusion_series) echo fusion_bench ;;
    thumbnail) echo thumbnail_bench ;;
    demosaic_scale) echo demosaic_scale_bench ;;
    xls) echo xls_bench ;;
    measure_b) echo measure_b_bench ;;
    *) return 1 ;;
  esac
}

if [ "${1:-}" != --in-session ]; then
  [ $# -gt 0 ] || set -- "${all[@]}"
  targets=()
  for name in "$@"; do
    t=$(target "$name") || { echo "run.sh: no benchmark named $name" >&2; exit 2; }
    targets+=("$t")
  done
  "$root/tools/build.sh" x86_64 "${targets[@]}" >&2
  work=$(mktemp -d "${TMPDIR:-/tmp}/bench.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  status=0
  (cd "$work" && "$root/tools/wine.sh" session "$here/run.sh" --in-session "$@") || status=$?
  exit $status
fi
shift

# Inside the session, in the temporary folder.
export BENCH_BIN=$root/build/x86_64/bench
exe() { "$root/tools/wine.sh" run "$BENCH_BIN/$1.exe" "${@:2}"; }

bench() {
  case "$1" in
    image_decode | canvas_upload) exe "$1" ;;
    enhance | histogram | geometry | canvas_input | figures | measure_a | textclip | overlay_histogram | \
      project | skin | skin_tree | edit | vidmill | capture | snapshot | slides | video | startup | open | status | measure_list)
      exe "${1}_bench" ;;
    demosaic_scale) "$here/image_kernels_bench.sh" ;;
    xls) "$here/xls_bench.sh" ;;
    measure_b) "$here/measure_b_bench.sh" ;;
    fusion) "$here/fusion_bench.sh" ;;
    fusion_series) "$here/fusion_bench.sh" --series ;;
    thumbnail) "$here/thumbnail_bench.sh" ;;
  esac
}

line='^[a-z0-9_]+: -?[0-9]+(\.[0-9]+)? [A-Za-z/%]+$'
failed=()
for name in "$@"; do
  status=0
  out=$(bench "$name" 2>"$name.err") || status=$?
  out=$(tr -d '\r' <<<"$out")
  good=$(grep -E "$line" <<<"$out" || true)
  odd=$(grep -Ev "$line" <<<"$out" | grep -v '^$' || true)
  [ -z "$good" ] || echo "$good"
  if [ $status -ne 0 ] || [ -n "$odd" ] || [ -z "$good" ]; then
    failed+=("$name")
    echo "run.sh: $name failed (exit $status)" >&2
    [ -z "$odd" ] || sed 's/^/  /' <<<"$odd" >&2
    sed 's/^/  /' "$name.err" >&2
  fi
  names=$(cut -d: -f1 <<<"$good")
  echo "$names" >>all_names
done
dups=$(grep -v '^$' all_names | sort | uniq -d || true)
if [ -n "$dups" ]; then
  echo "run.sh: names printed twice: $(tr "\n" " " <<<"$dups")" >&2
  failed+=(duplicates)
fi
[ ${#failed[@]} -eq 0 ] || { echo "run.sh: failed: ${failed[*]}" >&2; exit 1; }
