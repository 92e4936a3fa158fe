#!/usr/bin/env bash
# The window's answers while folder sizes are totalled, and the time to every figure, under Wine.
# Starts figures_timing (the main window on a tree, folder sizes switched on as the tool button does)
# and, while it totals the tree, the latency probe (/work/shared/tools/latency.c, or LATENCY_C), which
# sends the window WM_NULL every 20 ms and prints the round trips' percentiles.
#   bench/latency/figures_latency.sh [TREE]      a tree made by vs_mktree (default: 1,000,000 files in
#                                                 50,000 folders, made in a temporary folder)
#   BASELINE_COMMIT=<commit> ...                  also an earlier build, from that commit, in the same run
#   CANCEL_MS=1500 ...                            also a run that presses Esc that long after the switch
#   SECONDS_PROBED=60 ...                         how long the probe runs (covers the whole walk)
# Needs DISPLAY (an X server) and the Windows build (build/win); prints one block per build.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-env.sh"
out=$root/build/bench/latency
mkdir -p "$out"
probe=${SECONDS_PROBED:-60}

x86_64-w64-mingw32-gcc -O1 -o "$out/latency.exe" "${LATENCY_C:-/work/shared/tools/latency.c}"
cmake --build "$root/build/win" --target figures_timing >/dev/null
cp "$root/build/win/figures_timing.exe" "$out/figures_timing.exe" 2>/dev/null \
    || cp "$(find "$root/build/win" -name figures_timing.exe | head -1)" "$out/figures_timing.exe"

tree=${1:-}
cleanup=
if [ -z "$tree" ]; then
    cmake --build "$root/build/native" --target vs_mktree >/dev/null
    tree=$(mktemp -d)/tree
    cleanup=$(dirname "$tree")
    echo "== making the tree in $tree"
    "$(find "$root/build/native" -name vs_mktree -type f | head -1)" "$tree" 1000000 50000 8
fi
trap '[ -n "$cleanup" ] && rm -rf "$cleanup"' EXIT
wintree="Z:$(echo "$tree" | tr / '\\')"
du -s "$tree" >/dev/null  # every build meets the same warm system cache

# The earlier build: its sources from git, with this harness added, in a scratch folder.
if [ -n "${BASELINE_COMMIT:-}" ] && [ "$(cat "$out/baseline.commit" 2>/dev/null)" != "$BASELINE_COMMIT" ]; then
    base=$out/baseline
    rm -rf "$base/src" && mkdir -p "$base/src"
    git -C "$root" archive "$BASELINE_COMMIT" | tar -x -C "$base/src"
    mkdir -p "$base/src/bench/latency"
    cp "$root/bench/latency/FiguresTiming_win.cpp" "$base/src/bench/latency/"
    cat >>"$base/src/tests/shell/tests.cmake" <<'CMAKE'
if(VS_WINDOWS)
    add_executable(figures_timing ${CMAKE_SOURCE_DIR}/bench/latency/FiguresTiming_win.cpp ${CMAKE_SOURCE_DIR}/res/Voluscope.rc)
    target_link_libraries(figures_timing PRIVATE voluscope_win psapi)
    target_link_options(figures_timing PRIVATE -municode)
endif()
CMAKE
    ln -sfn "$root/build/deps" "$base/deps"
    cmake -S "$base/src" -B "$base/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$base/src/cmake/mingw-w64-x86_64.cmake" -DVS_MINGW_DEPS="$root/build/deps" \
        -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
    CCACHE_BASEDIR=$base/src cmake --build "$base/win" --target figures_timing >/dev/null
    cp "$(find "$base/win" -name figures_timing.exe | head -1)" "$out/figures_timing_baseline.exe"
    echo "$BASELINE_COMMIT" >"$out/baseline.commit"
fi

# One build: the harness, and the probe once the window is up.
run_one() {
    local exe=$1 cancel=${2:-}
    local log=$out/run.log
    wine "$exe" "$wintree" "$probe" $cancel >"$log" 2>&1 &
    local harness=$!
    for _ in $(seq 600); do grep -q ready "$log" 2>/dev/null && break; sleep 0.5; done
    sleep 1
    local latency
    latency=$(wine "$out/latency.exe" "$probe" 2>&1 | tr -d '\r')
    wait "$harness" || true
    echo "  window:  $(grep -a listed "$log" | tr -d '\r')"
    echo "  probe:   $latency"
}

echo "== this build"
run_one "$out/figures_timing.exe"
if [ -n "${CANCEL_MS:-}" ]; then
    echo "== this build, Esc ${CANCEL_MS} ms after the switch"
    run_one "$out/figures_timing.exe" "$CANCEL_MS"
fi
if [ -n "${BASELINE_COMMIT:-}" ]; then
    echo "== $BASELINE_COMMIT"
    run_one "$out/figures_timing_baseline.exe"
fi
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
