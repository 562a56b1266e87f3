#!/usr/bin/env bash
# Prepares a Debian 12 machine for building and testing: cross compilers, Wine,
# Xvfb, the checker packages, and the third-party libraries built from Debian's
# own sources as static MinGW libraries for both targets.
# Idempotent and quiet when everything is already in place.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
DEPS_CACHE=${DEPS_CACHE:-/var/cache/measure-deps}

packages=(
  # toolchains and build tools
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
  cmake ninja-build nasm dpkg-dev libz-mingw-w64-dev libgtest-dev clang-format
  # running and testing under Wine
  wine wine64 xvfb xauth x11-utils xdotool
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  fonts-dejavu-core fonts-liberation fonts-font-awesome
  # independent checkers
  python3 python3-pil python3-numpy python3-scipy python3-opencv python3-shapely
  python3-freetype python3-xlrd python3-xlwt python3-olefile libxml2-utils
  imagemagick ffmpeg enfuse libreoffice-calc-nogui hyperfine time
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done

src_list=/etc/apt/sources.list.d/measure-deb-src.sources
if [ ! -f "$src_list" ]; then
  cat > "$src_list" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  echo "setup: installing ${#missing[@]} packages" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null
  if [ ${#missing[@]} -gt 0 ]; then
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi

"$here/build-deps.sh" "$DEPS_CACHE" >/dev/null
