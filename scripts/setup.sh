#!/usr/bin/env bash
# One-time machine set-up for building the Windows deliverables on Debian 12.
# Idempotent: a second run only checks what is already there.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
prefix_dir="$here/build/deps"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

pkgs=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64
      cmake ninja-build wine wine32:i386 wine64 xvfb xauth x11-utils googletest nlohmann-json3-dev
      libz-mingw-w64-dev openssl osslsigncode python3 dpkg-dev unzip zip file wine64-tools webp
      clang libclang-rt-14-dev libminizip-dev zlib1g-dev)

need_apt=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  need_apt=1
fi
if ! grep -q '^Types: deb-src' /etc/apt/sources.list.d/debian-src.sources 2>/dev/null; then
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
    $SUDO tee /etc/apt/sources.list.d/debian-src.sources >/dev/null
  need_apt=1
fi
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need_apt=1
done
if [ "$need_apt" = 1 ]; then
  # Mirrors are sometimes caught mid-sync; a partial index is retried, then tolerated.
  for attempt in 1 2 3; do
    $SUDO apt-get update -qq && break
    echo "setup: apt-get update failed (attempt $attempt)" >&2
    sleep 5
  done
  # When one architecture's security index is missing, the 64-bit and 32-bit candidates of
  # shared libraries differ; taking both from the main suite keeps them equal.
  installed=0
  for extra in "" "-t bookworm"; do
    # shellcheck disable=SC2086
    if DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
        $extra "${pkgs[@]}" >/dev/null; then
      installed=1; break
    fi
    echo "setup: apt-get install ${extra:-} failed, trying the next way" >&2
  done
  [ "$installed" = 1 ] || { echo "setup: apt-get install failed" >&2; exit 1; }
fi

# libwebp and minizip from Debian's sources, built static for both MinGW targets.
src_dir="$here/build/deps-src"
mkdir -p "$src_dir"
if [ ! -d "$src_dir/libwebp" ] || [ ! -d "$src_dir/minizip" ]; then
  tmp=$(mktemp -d)
  (cd "$tmp" && apt-get source -qq libwebp minizip >/dev/null 2>&1)
  rm -rf "$src_dir/libwebp" "$src_dir/minizip"
  mv "$tmp"/libwebp-[0-9]*/ "$src_dir/libwebp"
  mv "$tmp"/minizip-[0-9]*/ "$src_dir/minizip"
  rm -rf "$tmp"
fi

for arch in i686 x86_64; do
  out="$prefix_dir/$arch"
  tc="$here/cmake/toolchain-$arch-w64-mingw32.cmake"
  if [ ! -f "$out/lib/libwebp.a" ]; then
    cmake -S "$src_dir/libwebp" -B "$here/build/deps-build/webp-$arch" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$tc" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$out" \
      -DBUILD_SHARED_LIBS=OFF -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF \
      -DWEBP_BUILD_DWEBP=OFF -DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF \
      -DWEBP_BUILD_VWEBP=OFF -DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_WEBPMUX=OFF \
      -DWEBP_BUILD_EXTRAS=OFF -DWEBP_USE_THREAD=OFF >/dev/null
    cmake --build "$here/build/deps-build/webp-$arch" >/dev/null
    cmake --install "$here/build/deps-build/webp-$arch" >/dev/null
  fi
  if [ ! -f "$out/lib/libminizip.a" ]; then
    cc="$arch-w64-mingw32-gcc-posix"
    bd="$here/build/deps-build/minizip-$arch"
    mkdir -p "$bd" "$out/include/minizip" "$out/lib"
    for f in ioapi iowin32 unzip zip; do
      "$cc" -O2 -c -DNOCRYPT -DIOAPI_NO_64 -I"$src_dir/minizip" \
        "$src_dir/minizip/$f.c" -o "$bd/$f.o" 2>/dev/null
    done
    "$arch-w64-mingw32-ar" rcs "$out/lib/libminizip.a" "$bd"/*.o
    cp "$src_dir/minizip"/{ioapi.h,iowin32.h,unzip.h,zip.h} "$out/include/minizip/"
  fi
done

# nlohmann json is header-only; MinGW must see only its own folder.
for d in "$prefix_dir/json" "$prefix_dir/i686/json" "$prefix_dir/x86_64/json"; do
  mkdir -p "$d"
  [ -e "$d/nlohmann" ] || ln -s /usr/include/nlohmann "$d/nlohmann"
done
if [ -x "$here/scripts/setup_addon.sh" ]; then
  bash "$here/scripts/setup_addon.sh"
fi
echo "setup: done"
