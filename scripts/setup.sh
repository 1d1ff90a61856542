#!/usr/bin/env bash
# Makes a fresh Debian 12 machine ready to build and test Sketchhaven.
# Idempotent: on a ready machine it checks, installs nothing and takes seconds.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/build/deps"

packages=(
  cmake ninja-build pkg-config dpkg-dev
  g++ gcc nasm fp-utils
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
  zlib1g-dev libjpeg62-turbo-dev libgif-dev libgtest-dev libpng-dev libdeflate-dev
  libz-mingw-w64-dev
  wine64 xvfb xauth fonts-ipafont-gothic
  fonts-wine
  pngcheck imagemagick giflib-tools gifsicle libjpeg-turbo-progs curl python3
  clang libclang-rt-14-dev
  chromium esbuild nodejs
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# libjpeg-turbo for both MinGW targets, from Debian's own source package, with
# its SIMD code. The stamp marks a library built with it: one built without
# (by an older set-up) is built again.
build_libjpeg() {  # $1 = triplet, $2 = target folder
  local triplet=$1 prefix=$2
  local stamp="$prefix/lib/libjpeg.simd"
  [ -f "$prefix/lib/libjpeg.a" ] && [ -f "$stamp" ] && return 0
  rm -rf "$deps/build-jpeg-$triplet"
  local src="$deps/src"
  if [ ! -d "$src/libjpeg" ]; then
    if ! grep -rqs '^Types: deb-src' /etc/apt/sources.list.d/; then
      cat > /etc/apt/sources.list.d/sketchhaven-src.sources <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
      apt-get update -qq
    fi
    mkdir -p "$src"
    (cd "$src" && apt-get source -qq libjpeg-turbo >/dev/null 2>&1)
    local dir
    dir=$(find "$src" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -1)
    mv "$dir" "$src/libjpeg"
  fi
  echo "setup: building libjpeg-turbo for $triplet"
  cmake -S "$src/libjpeg" -B "$deps/build-jpeg-$triplet" -G Ninja -Wno-dev \
    -DCMAKE_SYSTEM_NAME=Windows \
    -DCMAKE_SYSTEM_PROCESSOR="${triplet%%-*}" \
    -DCMAKE_C_COMPILER="$triplet-gcc-posix" \
    -DCMAKE_RC_COMPILER="$triplet-windres" \
    -DCMAKE_ASM_NASM_COMPILER=nasm \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DWITH_SIMD=1 -DREQUIRE_SIMD=1 -DENABLE_SHARED=0 -DWITH_TURBOJPEG=0 \
    -DWITH_JPEG8=0 -DWITH_JPEG7=0 >/dev/null
  cmake --build "$deps/build-jpeg-$triplet" --target install >/dev/null
  touch "$stamp"
}

# libdeflate for both MinGW targets, from Debian's own source package (its
# Makefile builds in the source tree, so each target gets a copy). Runs after
# build_libjpeg, which has made the source packages reachable.
build_libdeflate() {  # $1 = triplet, $2 = target folder
  local triplet=$1 prefix=$2
  [ -f "$prefix/lib/libdeflate.a" ] && return 0
  local src="$deps/src"
  if [ ! -d "$src/libdeflate" ]; then
    mkdir -p "$src"
    (cd "$src" && apt-get source -qq libdeflate >/dev/null 2>&1)
    local dir
    dir=$(find "$src" -maxdepth 1 -type d -name 'libdeflate-*' | head -1)
    mv "$dir" "$src/libdeflate"
  fi
  echo "setup: building libdeflate for $triplet"
  local build="$deps/build-deflate-$triplet"
  rm -rf "$build"
  cp -a "$src/libdeflate" "$build"
  make -C "$build" -s CC="$triplet-gcc-posix" AR="$triplet-ar" libdeflatestatic.lib >/dev/null
  mkdir -p "$prefix/include" "$prefix/lib"
  cp "$build/libdeflate.h" "$prefix/include/"
  cp "$build/libdeflatestatic.lib" "$prefix/lib/libdeflate.a"
}

# GoogleTest for both MinGW targets, from /usr/src/googletest.
build_gtest() {  # $1 = triplet, $2 = target folder
  local triplet=$1 prefix=$2
  [ -f "$prefix/lib/libgtest.a" ] && return 0
  echo "setup: building GoogleTest for $triplet"
  cmake -S /usr/src/googletest -B "$deps/build-gtest-$triplet" -G Ninja -Wno-dev \
    -DCMAKE_SYSTEM_NAME=Windows \
    -DCMAKE_C_COMPILER="$triplet-gcc-posix" \
    -DCMAKE_CXX_COMPILER="$triplet-g++-posix" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_CXX_FLAGS="-static" \
    -Dgtest_disable_pthreads=OFF -DBUILD_GMOCK=OFF >/dev/null
  cmake --build "$deps/build-gtest-$triplet" --target install >/dev/null
}

for t in x86_64:win64 i686:win32; do
  build_libjpeg "${t%%:*}-w64-mingw32" "$deps/${t##*:}"
  build_libdeflate "${t%%:*}-w64-mingw32" "$deps/${t##*:}"
  build_gtest "${t%%:*}-w64-mingw32" "$deps/${t##*:}"
done
echo "setup: ready"
