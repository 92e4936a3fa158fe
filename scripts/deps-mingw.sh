#!/usr/bin/env bash
# Builds GoogleTest and libjpeg-turbo for MinGW-w64 from Debian's sources, once.
# The results are installed under $1 (default build/deps) and reused afterwards.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=${1:-$root/build/deps}
toolchain=$root/cmake/mingw-w64-x86_64.cmake
work=$prefix/src
mkdir -p "$prefix" "$work"

SUDO=
[ "$(id -u)" = 0 ] || SUDO=sudo

if [ ! -f "$prefix/lib/libgtest.a" ]; then
    echo "Building GoogleTest for MinGW-w64"
    rm -rf "$work/gtest-build"
    cmake -S /usr/src/googletest -B "$work/gtest-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -Dgtest_disable_pthreads=OFF \
        -DBUILD_GMOCK=ON -DCMAKE_CXX_FLAGS="-static" >/dev/null
    cmake --build "$work/gtest-build" >/dev/null
    cmake --install "$work/gtest-build" >/dev/null
fi

if [ ! -f "$prefix/lib/libjpeg.a" ]; then
    echo "Building libjpeg-turbo for MinGW-w64 from Debian's source package"
    # A deb-src entry for the same suites as the machine's own Debian sources.
    if ! apt-get source --download-only --print-uris libjpeg-turbo >/dev/null 2>&1; then
        list=/etc/apt/sources.list.d/voluscope-src.sources
        if [ -f /etc/apt/sources.list.d/debian.sources ]; then
            sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $SUDO tee "$list" >/dev/null
        else
            grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | $SUDO tee /etc/apt/sources.list.d/voluscope-src.list >/dev/null
        fi
        $SUDO apt-get update -qq
    fi
    rm -rf "$work/jpeg" && mkdir -p "$work/jpeg"
    (cd "$work/jpeg" && apt-get source --download-only libjpeg-turbo >/dev/null 2>&1 && dpkg-source -x --skip-patches ./*.dsc src >/dev/null)
    nasm=OFF
    command -v nasm >/dev/null && nasm=ON
    cmake -S "$work/jpeg/src" -B "$work/jpeg/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF \
        -DWITH_SIMD=$nasm -Wno-dev >/dev/null
    cmake --build "$work/jpeg/build" >/dev/null
    cmake --install "$work/jpeg/build" >/dev/null
    # Some versions install into lib64 or name the archive differently.
    [ -f "$prefix/lib/libjpeg.a" ] || cp "$(find "$prefix" -name 'libjpeg.a' | head -1)" "$prefix/lib/libjpeg.a"
fi
