#!/usr/bin/env bash
# Configures (once) and builds one target: build.sh [x86_64|i686] [ninja targets...]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
arch=${1:-x86_64}
shift || true
case "$arch" in x86_64|i686) ;; *) echo "build.sh: unknown target $arch" >&2; exit 2 ;; esac
build=$root/build/$arch
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" \
    -DMEASURE_DEPS_DIR="${DEPS_CACHE:-/var/cache/measure-deps}/current" >/dev/null
fi
cmake --build "$build" -- "$@"
