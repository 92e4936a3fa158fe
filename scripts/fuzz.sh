#!/usr/bin/env bash
# Runs the saved-scan reader's fuzz target for SECONDS (default 600) with libFuzzer and clang, in a
# build folder of its own (build/fuzz); new inputs go to build/fuzz/corpus, crashes to build/fuzz/.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-600}
build=$root/build/fuzz
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVS_FUZZ=ON -DVS_TESTS=OFF >"$build.log" 2>&1 \
    || { cat "$build.log"; exit 1; }
cmake --build "$build" --target scans_fuzz
mkdir -p "$build/corpus"
cd "$build"
./fuzz/scans_fuzz -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 corpus "$root/fuzz/corpus"
