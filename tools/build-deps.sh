#!/usr/bin/env bash
# Builds the third-party libraries the program links statically (libjpeg-turbo
# with the jpeg8 API, libpng, FreeType, minizip over zlib) and GoogleTest, for
# both Windows targets, from Debian's bookworm sources.
# Output: $cache/<key>/<arch>/{include,lib}, where <key> names the source
# versions and this recipe, so a new version or recipe builds afresh and a
# repeated run returns at once.
set -euo pipefail

cache=${1:?usage: build-deps.sh CACHE_DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
sources=(libpng1.6 libjpeg-turbo freetype zlib)

src_version() {
  apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ {print $2; exit}'
}

key_text=""
for s in "${sources[@]}"; do
  v=$(src_version "$s")
  [ -n "$v" ] || { echo "build-deps: no source package $s/bookworm (is deb-src enabled and apt-get update run?)" >&2; exit 1; }
  key_text+="$s=$v;"
done
key_text+="gtest=$(dpkg-query -W -f='${Version}' libgtest-dev);"
key_text+=$(cat "$here/build-deps.sh" "$root"/cmake/toolchain-*.cmake | sha1sum)
key=$(printf '%s' "$key_text" | sha1sum | cut -c1-16)
out="$cache/$key"
if [ -f "$out/complete" ]; then
  ln -sfn "$out" "$cache/current"
  exit 0
fi

echo "build-deps: building third-party libraries into $out (about a minute)" >&2
work=$(mktemp -d "${TMPDIR:-/tmp}/measure-deps.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$cache/sources"
(
  cd "$cache/sources"
  for s in "${sources[@]}"; do
    v=$(src_version "$s"); uv=${v#*:}; uv=${uv%-*}
    ls "${s}_${uv}"*.dsc >/dev/null 2>&1 || apt-get source -qq -o APT::Sandbox::User=root --download-only "$s/bookworm" >/dev/null
  done
)
for s in "${sources[@]}"; do
  dsc=$(ls -t "$cache/sources/${s}_"*.dsc | head -n1)
  dpkg-source -x --skip-patches "$dsc" "$work/$s" >/dev/null 2>&1 || dpkg-source -x "$dsc" "$work/$s" >/dev/null
done

build_cmake() { # arch name srcdir [cmake options...]
  local arch=$1 name=$2 src=$3; shift 3
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
  build_cmake "$arch" gtest /usr/src/googletest \
    -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=OFF

  # minizip: the unzip side for the skin package, the zip side for tests that
  # write packages of their own.
  local mz=$work/zlib/contrib/minizip obj=$work/minizip-$arch
  mkdir -p "$obj" "$out/$arch/include/minizip" "$out/$arch/lib"
  for f in unzip ioapi iowin32 zip; do
    $triple-gcc-posix -O2 -c "$mz/$f.c" -o "$obj/$f.o" $( [ "$arch" = i686 ] && echo "-msse2 -mfpmath=sse" ) \
      -DNOCRYPT -DNOUNCRYPT -w || { echo "build-deps: minizip $f.c for $arch failed" >&2; exit 1; }
  done
  $triple-ar rcs "$out/$arch/lib/libminizip.a" "$obj"/*.o
  cp "$mz"/{unzip,zip,ioapi,iowin32}.h "$out/$arch/include/minizip/"
  cp "$zlib_a" "$out/$arch/lib/libz.a"
  cp /usr/$triple/include/{zlib,zconf}.h "$out/$arch/include/"
}

build_arch x86_64 &
p64=$!
build_arch i686 &
p32=$!
wait $p64 && wait $p32

printf '%s\n' "$key_text" > "$out/versions"
touch "$out/complete"
ln -sfn "$out" "$cache/current"
echo "build-deps: done" >&2
