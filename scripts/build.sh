# Sourced by ./run and ./test: configures and builds the native and the Windows trees.
# VS_BUILD names the build folder (default build/); the MinGW dependencies and the Wine
# prefix always live in build/ so that several build folders share them.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
BUILD=${VS_BUILD:-$root/build}
mkdir -p "$BUILD"

# Compiler cache when the machine has one: paths are taken relative to the checkout, so several
# checkouts of the project share what was compiled.
VS_LAUNCHER=()
if command -v ccache >/dev/null 2>&1; then
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
    export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
    VS_LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

build_native() {
    cmake -S "$root" -B "$BUILD/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O1 -g" \
        "${VS_LAUNCHER[@]}" -DVS_SANITIZE=ON -DVS_BENCH=ON -DVS_SCREENSHOT_DIR="$BUILD/screenshots" >"$BUILD/native-configure.log" 2>&1 \
        || { cat "$BUILD/native-configure.log"; return 1; }
    cmake --build "$BUILD/native" -- -k 0
}

# ThreadSanitizer: only the tests of threaded code (the folder-size walks), in their own build folder; the
# fuzz target's seed replay is registered in every build folder, so it is built here too.
build_native_tsan() {
    cmake -S "$root" -B "$BUILD/native-tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O1 -g" \
        "${VS_LAUNCHER[@]}" -DVS_TSAN=ON >"$BUILD/native-tsan-configure.log" 2>&1 \
        || { cat "$BUILD/native-tsan-configure.log"; return 1; }
    cmake --build "$BUILD/native-tsan" --target shell_foldersize_tests scans_tests scans_fuzz -- -k 0
}

build_windows() {
    cmake -S "$root" -B "$BUILD/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" "${VS_LAUNCHER[@]}" \
        -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine-run" \
        -DVS_MINGW_DEPS="$root/build/deps" -DVS_SCREENSHOT_DIR="$BUILD/screenshots" \
        >"$BUILD/win-configure.log" 2>&1 || { cat "$BUILD/win-configure.log"; return 1; }
    cmake --build "$BUILD/win" -- -k 0 "$@"
}
