#!/usr/bin/env bash
# Builds the third-party libraries the program links statically (libjpeg-turbo
# with the jpeg8 API, libpng, FreeType, minizip over zlib, expat) and GoogleTest, for
# both Windows targets, from Debian's bookworm source packages with Debian's
# patches applied (its security fixes among them).
#
#   build-deps.sh CACHE_DIR         build once, then print the folder
#   build-deps.sh --dir CACHE_DIR   print the folder only (built or not)
#
# Output: CACHE_DIR/<key>/<arch>/{include,lib}. The key names the source
# versions, the tools that build them and this recipe, so any change builds
# afresh into a new folder and a repeated run returns at once. A folder is
# used only once it holds the file "complete", written last.
#
# Every patch of each package's debian/patches/series applies to a MinGW
# build, so none is skipped; patches/ in the output records what was applied
# and tools/check-deps.sh (a test) verifies it.
set -euo pipefail

print_only=
if [ "${1:-}" = --dir ]; then
  print_only=1
  shift
fi
cache=${1:?usage: build-deps.sh [--dir] CACHE_DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
sources=(libpng1.6 libjpeg-turbo freetype zlib expat)
# Everything else that shapes the libraries: compilers, binutils, the MinGW
# runtime and zlib, the build tools and the GoogleTest sources.
tools=(gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  mingw-w64-x86-64-dev mingw-w64-i686-dev libz-mingw-w64-dev
  cmake nasm libgtest-dev)

# The version apt offers (bookworm is the only deb-src suite, see setup.sh).
src_version() {
  apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ {print $2; exit}'
}

declare -A version
key_text=""
for s in "${sources[@]}"; do
  v=$(src_version "$s")
  [ -n "$v" ] || { echo "build-deps: no source package $s (is deb-src enabled and apt-get update run?)" >&2; exit 1; }
  version[$s]=$v
  key_text+="$s=$v;"
done
for t in "${tools[@]}"; do
  v=$(dpkg-query -W -f='${Version}' "$t" 2>/dev/null) ||
    { echo "build-deps: package $t is not installed (run tools/setup.sh)" >&2; exit 1; }
  key_text+="$t=$v;"
done
key_text+="recipe=$(cat "$here/build-deps.sh" "$root"/cmake/toolchain-*.cmake | sha1sum | cut -d' ' -f1)"
key=$(printf '%s' "$key_text" | sha1sum | cut -c1-16)
out="$cache/$key"

if [ -n "$print_only" ]; then
  echo "$out"
  exit 0
fi
if [ -f "$out/complete" ]; then
  echo "$out"
  exit 0
fi

# One build per key at a time: a second run of the same key waits here and
# then finds the folder complete.
mkdir -p "$cache/sources"
exec 8>"$cache/$key.lock"
flock 8
if [ -f "$out/complete" ]; then
  echo "$out"
  exit 0
fi

echo "build-deps: building third-party libraries into $out (about a minute)" >&2
rm -rf "$out"
work=$(mktemp -d "${TMPDIR:-/tmp}/measure-deps.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The exact source package of the keyed version. The download folder is shared
# by every key, so it has a lock of its own.
dsc_of() { # package: the .dsc file name of its keyed version (no epoch)
  local v=${version[$1]}
  echo "${1}_${v#*:}.dsc"
}
(
  flock 9
  cd "$cache/sources"
  for s in "${sources[@]}"; do
    [ -f "$(dsc_of "$s")" ] ||
      apt-get source -qq -o APT::Sandbox::User=root --download-only "$s=${version[$s]}" >/dev/null
    [ -f "$(dsc_of "$s")" ] || { echo "build-deps: $(dsc_of "$s") did not download" >&2; exit 1; }
  done
) 9>"$cache/sources.lock"

# dpkg-source checks the files against the .dsc and applies debian/patches/series
# in order; it stops on a patch that does not apply.
mkdir -p "$out/patches"
for s in "${sources[@]}"; do
  dpkg-source -x "$cache/sources/$(dsc_of "$s")" "$work/$s" >"$work/$s-unpack.log" 2>&1 ||
    { echo "build-deps: unpacking $(dsc_of "$s") failed:" >&2; tail -n 20 "$work/$s-unpack.log" >&2; exit 1; }
  sed -e 's/#.*//' -e 's/[[:space:]]*$//' -e '/^$/d' "$work/$s/debian/patches/series" >"$out/patches/$s.series"
  cp "$work/$s/.pc/applied-patches" "$out/patches/$s.applied"
  cmp -s "$out/patches/$s.series" "$out/patches/$s.applied" ||
    { echo "build-deps: $s: the applied patches differ from debian/patches/series" >&2; exit 1; }
done

sed -i 's/^#cmakedefine XML_DTD$/#cmakedefine XML_DTD 1/' "$work/expat/expat/expat_config.h.cmake"
grep -q '^#cmakedefine XML_DTD 1$' "$work/expat/expat/expat_config.h.cmake" ||
  { echo "build-deps: expat's config template has no XML_DTD line to give a value" >&2; exit 1; }

build_cmake() { # arch name srcdir [cmake options...]
  local arch=$1 name=$2 src=$3
  shift 3
  cmake -S "$src" -B "$work/build-$arch-$name" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$out/$arch" \
    -DCMAKE_PREFIX_PATH="$out/$arch" "$@" >"$work/$arch-$name.log" 2>&1 &&
    cmake --build "$work/build-$arch-$name" >>"$work/$arch-$name.log" 2>&1 &&
    cmake --install "$work/build-$arch-$name" >>"$work/$arch-$name.log" 2>&1 ||
    { echo "build-deps: $name for $arch failed:" >&2; tail -n 30 "$work/$arch-$name.log" >&2; exit 1; }
}

build_arch() {
  local arch=$1 triple=$1-w64-mingw32
  local zlib_a=/usr/$triple/lib/libz.a
  build_cmake "$arch" jpeg "$work/libjpeg-turbo" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_JPEG8=ON -DWITH_TURBOJPEG=OFF \
    -DWITH_CRT_DLL=ON -DREQUIRE_SIMD=ON
  build_cmake "$arch" png "$work/libpng1.6" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_LIBRARY="$zlib_a" -DZLIB_INCLUDE_DIR=/usr/$triple/include
  # FreeType's gzip module uses the same zlib as everything else: its bundled
  # copy would clash with it at link time.
  build_cmake "$arch" freetype "$work/freetype" \
    -DBUILD_SHARED_LIBS=OFF -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BZIP2=ON \
    -DFT_DISABLE_BROTLI=ON -DFT_DISABLE_PNG=ON -DFT_REQUIRE_ZLIB=ON \
    -DZLIB_LIBRARY="$zlib_a" -DZLIB_INCLUDE_DIR=/usr/$triple/include
  # expat hands the skin reader UTF-16 text (wchar_t is 16 bits on Windows).
  # Debian's security patches test "#if XML_DTD == 1", but the config template
  # defines XML_DTD empty: give it the value 1 (patched once per unpack, below).
  build_cmake "$arch" expat "$work/expat/expat" \
    -DEXPAT_SHARED_LIBS=OFF -DEXPAT_CHAR_TYPE=wchar_t -DEXPAT_DTD=ON -DEXPAT_NS=ON \
    -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF \
    -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_FUZZERS=OFF -DEXPAT_BUILD_PKGCONFIG=OFF \
    -DEXPAT_WITH_LIBBSD=OFF
  [ -f "$out/$arch/lib/libexpatw.a" ] || { echo "build-deps: expat for $arch left no libexpatw.a" >&2; exit 1; }
  build_cmake "$arch" gtest /usr/src/googletest \
    -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=OFF

  # minizip: the unzip side for the skin package, the zip side for tests that
  # write packages of their own.
  local mz=$work/zlib/contrib/minizip obj=$work/minizip-$arch
  mkdir -p "$obj" "$out/$arch/include/minizip" "$out/$arch/lib"
  for f in unzip ioapi iowin32 zip; do
    $triple-gcc-posix -O2 -c "$mz/$f.c" -o "$obj/$f.o" $([ "$arch" = i686 ] && echo "-msse2 -mfpmath=sse") \
      -DNOCRYPT -DNOUNCRYPT -w || { echo "build-deps: minizip $f.c for $arch failed" >&2; exit 1; }
  done
  $triple-ar rcs "$out/$arch/lib/libminizip.a" "$obj"/*.o
  cp "$mz"/{unzip,zip,ioapi,iowin32}.h "$out/$arch/include/minizip/"
  cp "$zlib_a" "$out/$arch/lib/libz.a"
  cp /usr/$triple/include/{zlib,zconf}.h "$out/$arch/include/"
}

# Both targets at once; each must succeed before the folder counts as complete.
build_arch x86_64 &
p64=$!
build_arch i686 &
p32=$!
failed=0
wait $p64 || failed=1
wait $p32 || failed=1
if [ $failed -ne 0 ]; then
  echo "build-deps: the build failed; $out is left incomplete" >&2
  exit 1
fi

printf '%s\n' "$key_text" | tr ';' '\n' >"$out/versions"
touch "$out/complete"
echo "build-deps: done" >&2
echo "$out"
