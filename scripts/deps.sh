#!/usr/bin/env bash
# Installs the Debian packages the build and tests need, only those missing.
set -euo pipefail

PKGS=(cmake ninja-build g++ g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 xvfb xauth
      libgtest-dev libbenchmark-dev libjpeg62-turbo-dev imagemagick x11-utils dpkg-dev ccache python3 nsis
      zlib1g-dev libz-mingw-w64-dev rapidjson-dev ncdu gdu clang libclang-rt-14-dev)

missing=()
for p in "${PKGS[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=
[ "$(id -u)" = 0 ] || SUDO=sudo
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
