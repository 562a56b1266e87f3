#!/usr/bin/env bash
# Checks a folder made by build-deps.sh: it is complete, and each source
# package was built with every patch of its debian/patches/series applied, in
# order (as dpkg-source recorded them in .pc/applied-patches).
#   check-deps.sh DEPS_DIR
set -euo pipefail
deps=${1:?usage: check-deps.sh DEPS_DIR}
sources=(libpng1.6 libjpeg-turbo freetype zlib expat)
status=0
fail() {
  echo "check-deps: $*" >&2
  status=1
}

[ -f "$deps/complete" ] || fail "$deps is not a complete build"
for s in "${sources[@]}"; do
  series=$deps/patches/$s.series applied=$deps/patches/$s.applied
  if [ ! -f "$series" ] || [ ! -f "$applied" ]; then
    fail "$s: no record of its patches (built without Debian's patches?)"
    continue
  fi
  [ -s "$series" ] || fail "$s: empty patch series"
  if ! diff -u "$series" "$applied" >&2; then
    fail "$s: applied patches differ from debian/patches/series"
    continue
  fi
  echo "$s $(grep -m1 "^$s=" "$deps/versions" | cut -d= -f2): $(wc -l <"$applied") of $(wc -l <"$series") patches applied"
done
exit $status
