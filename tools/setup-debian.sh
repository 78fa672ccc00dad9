#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, once. A second run
# installs nothing and rebuilds nothing: every step first looks whether its
# result is already there.
#   tools/setup-debian.sh          packages, locale, and the cross-built deps
# The cross-built libraries (minizip, libjpeg-turbo) go into .deps/prefix.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/.deps"
prefix="$deps/prefix"
triple=i686-w64-mingw32

sudo_() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

packages=(
  g++-mingw-w64-i686-posix libz-mingw-w64-dev
  g++ cmake make ninja-build pkg-config dpkg-dev
  libminizip-dev zlib1g-dev
  wine wine32:i386 wine64 fonts-wine
  xvfb xauth xdotool imagemagick locales fonts-wqy-microhei
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  sudo_ dpkg --add-architecture i386
  need_update=1
fi

# Source packages are needed for minizip and libjpeg-turbo. Reuse the machine's
# own binary stanza so no mirror is named here.
srclist=/etc/apt/sources.list.d/morvena-src.sources
if [ ! -f "$prefix/lib/libminizip.a" ] || [ ! -f "$prefix/lib/libjpeg.a" ]; then
  if [ ! -f "$srclist" ] && ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    # Only the first stanza (the main archive): the security archive keeps no
    # sources for every version it lists.
    awk 'NF==0{exit} {sub(/^Types: deb$/, "Types: deb-src"); print}' \
      /etc/apt/sources.list.d/debian.sources | sudo_ tee "$srclist" >/dev/null
    need_update=1
  fi
fi

if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  sudo_ apt-get update -q
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Code page 936 under Wine needs a Chinese locale.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  sudo_ sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | sudo_ tee -a /etc/locale.gen >/dev/null
  sudo_ locale-gen
fi

# The cross-built libraries are remade when the way they are built changes.
recipe="minizip+libjpeg-turbo: -Os, function sections, no unwind tables, no getenv, no arithmetic coding (3)"
if [ "$(cat "$prefix/recipe" 2>/dev/null)" != "$recipe" ]; then
  rm -rf "$prefix" "$deps/build"
fi
mkdir -p "$deps/src" "$prefix/lib" "$prefix/include"
cc="$triple-gcc-posix"
# Small code, and unused functions droppable by the installer's link.
cflags="-Os -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables"

fetch_source() { # name -> prints the unpacked source folder
  local name=$1 dir
  dir=$(find "$deps/src" -maxdepth 1 -type d -name "$name-*" | head -n 1)
  if [ -z "$dir" ]; then
    (cd "$deps/src" && apt-get source -q "$name" >/dev/null 2>&1) || {
      echo "setup: apt-get source $name failed" >&2; return 1; }
    dir=$(find "$deps/src" -maxdepth 1 -type d -name "$name-*" | head -n 1)
  fi
  [ -n "$dir" ] || { echo "setup: no source folder for $name" >&2; return 1; }
  echo "$dir"
}

if [ ! -f "$prefix/lib/libminizip.a" ]; then
  zsrc=$(fetch_source zlib) || exit 1
  mz="$zsrc/contrib/minizip"
  obj="$deps/build/minizip"
  mkdir -p "$obj" "$prefix/include/minizip"
  for f in unzip ioapi iowin32 zip; do
    "$cc" $cflags -I"$mz" -c "$mz/$f.c" -o "$obj/$f.o"
  done
  "$triple-ar" rcs "$prefix/lib/libminizip.a" "$obj"/unzip.o "$obj"/ioapi.o "$obj"/iowin32.o "$obj"/zip.o
  cp "$mz"/unzip.h "$mz"/ioapi.h "$mz"/iowin32.h "$mz"/zip.h "$prefix/include/minizip/"
  # miniunz is kept as a peer to measure our extraction against.
  mkdir -p "$prefix/share/minizip"
  cp "$mz"/miniunz.c "$prefix/share/minizip/"
fi

if [ ! -f "$prefix/lib/libjpeg.a" ]; then
  jsrc=$(fetch_source libjpeg-turbo) || exit 1
  jb="$deps/build/libjpeg-turbo"
  cmake -S "$jsrc" -B "$jb" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_C_FLAGS_MINSIZEREL="$cflags -DNDEBUG -DNO_GETENV" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
    -DWITH_ARITH_DEC=OFF -DWITH_ARITH_ENC=OFF \
    -DWITH_CRT_DLL=ON >/dev/null
  cmake --build "$jb" --target jpeg-static >/dev/null
  cp "$jb/libjpeg.a" "$prefix/lib/"
  cp "$jsrc/jpeglib.h" "$jsrc/jmorecfg.h" "$jsrc/jerror.h" "$jb/jconfig.h" "$prefix/include/"
fi
echo "$recipe" >"$prefix/recipe"
echo "setup: ready (deps in $prefix)"
