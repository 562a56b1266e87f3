#!/usr/bin/env bash
# Configures (once) and builds one target: build.sh [x86_64|i686] [ninja targets...]
# The build uses the third-party folder keyed for this checkout (see
# build-deps.sh); warnings are errors when CI=true or MEASURE_WERROR=ON.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
arch=${1:-x86_64}
shift || true
case "$arch" in x86_64|i686) ;; *) echo "build.sh: unknown target $arch" >&2; exit 2 ;; esac
build=$root/build/$arch

deps=$("$here/build-deps.sh" --dir "${DEPS_CACHE:-/var/cache/measure-deps}")
if [ ! -f "$deps/complete" ]; then
  echo "build.sh: the third-party libraries for this checkout are not built ($deps): run tools/setup.sh" >&2
  exit 1
fi
werror=${MEASURE_WERROR:-OFF}
[ "${CI:-}" = true ] && werror=ON

# Configure when there is no build yet or when the folder or the warning
# setting changed since the last configure.
cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt" 2>/dev/null; }
if [ ! -f "$build/build.ninja" ] || [ "$(cached MEASURE_DEPS_DIR)" != "$deps" ] ||
  [ "$(cached MEASURE_WERROR)" != "$werror" ]; then
  cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" \
    -DMEASURE_DEPS_DIR="$deps" -DMEASURE_WERROR="$werror" >/dev/null
fi
cmake --build "$build" -- "$@"
