#!/usr/bin/env bash
# Times vscan (Release build) against du -s, du -s --apparent-size, gdu and ncdu on synthetic trees,
# warm cache, several runs each, and prints the medians and the ratios to du -s.
#   bench/foldersize/compare.sh            1,000,000-file tree and 100,000-file tree
#   FILES=100000 FOLDERS=5000 RUNS=3 bench/foldersize/compare.sh   one tree of that size
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/build/bench
runs=${RUNS:-5}
mkdir -p "$out/trees"

echo "== Release build of vscan"
# Compiled straight from the service's own sources, so work in progress elsewhere in the tree cannot
# break the benchmark.
mkdir -p "$out/bin"
cxx=${CXX:-c++}
flags="-std=c++20 -O2 -DNDEBUG -pthread -I$root/src -I$root/bench/foldersize"
service_sources="src/platform/DosWildcard.cpp src/platform/DirList.cpp src/platform/DirList_posix.cpp
    src/platform/Volumes.cpp src/platform/Volumes_posix.cpp src/platform/ErrorMode_posix.cpp
    src/shell/FolderSizeCache.cpp src/shell/FolderSize.cpp src/shell/FolderSizeWalk.cpp src/shell/FolderSizeSystem.cpp"
(cd "$root" && $cxx $flags -o "$out/bin/vscan" tools/vscan/vscan.cpp $service_sources) || exit 1
(cd "$root" && $cxx $flags -o "$out/bin/vs_mktree" bench/foldersize/mktree.cpp bench/foldersize/TreeMaker.cpp) || exit 1
vscan=$out/bin/vscan
mktree=$out/bin/vs_mktree

for tool in gdu ncdu; do
    if ! command -v $tool >/dev/null; then
        echo "== Installing $tool"
        apt-get install -y $tool >/dev/null 2>&1 || { apt-get update >/dev/null 2>&1 && apt-get install -y $tool >/dev/null 2>&1; } || true
    fi
done

# Wall seconds of one run of a command (output discarded).
wall() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo "scale=6; ($end - $start) / 1000000000" | bc
}

median() { sort -g | awk '{a[NR]=$1} END {if (NR % 2) print a[(NR+1)/2]; else printf "%.6f\n", (a[NR/2]+a[NR/2+1])/2}'; }

# time_tool NAME COMMAND...: runs the command $runs times and records its median.
declare -A medians
time_tool() {
    local name=$1
    shift
    local samples=()
    for _ in $(seq "$runs"); do samples+=("$(wall "$@")"); done
    medians[$name]=$(printf '%s\n' "${samples[@]}" | median)
    printf '  %-28s %10.3f s   (runs: %s)\n' "$name" "${medians[$name]}" "${samples[*]}"
}

bench_tree() {
    local files=$1 folders=$2 tree=$out/trees/files-$1
    if [ ! -f "$tree.done" ]; then
        echo "== Making $tree ($files files in $folders folders, up to 8 deep)"
        rm -rf "$tree"
        "$mktree" "$tree" "$files" "$folders" 8 >"$tree.summary"
        touch "$tree.done"
    fi
    echo "== Tree $tree: $(cat "$tree.summary")"

    # vscan must give exactly what find gives.
    local expect got
    expect=$(find "$tree" -type f -printf '%s\n' | awk '{s+=$1; n++} END {printf "size=%d count=%d", s, n}')
    got=$("$vscan" "$tree" | sed 's/^\(size=[0-9]*\) used=[0-9]* \(count=[0-9]*\).*/\1 \2/')
    echo "  find: $expect"
    echo "  vscan: $got"
    [ "$expect" = "$got" ] || { echo "MISMATCH"; exit 1; }
    expect=$(find "$tree" -type f -iname '*.jpg' -printf '%s\n' | awk '{s+=$1; n++} END {printf "size=%d count=%d", s, n}')
    got=$("$vscan" --mask '*.jpg' "$tree" | sed 's/^\(size=[0-9]*\) used=[0-9]* \(count=[0-9]*\).*/\1 \2/')
    echo "  find *.jpg: $expect / vscan *.jpg: $got"
    [ "$expect" = "$got" ] || { echo "MISMATCH"; exit 1; }

    # Warm the page and inode caches.
    du -s "$tree" >/dev/null
    du -s "$tree" >/dev/null

    medians=()
    time_tool "du -s" du -s "$tree"
    time_tool "du -s --apparent-size" du -s --apparent-size "$tree"
    if command -v gdu >/dev/null; then time_tool "gdu -n" gdu -n -p "$tree"; fi
    if command -v ncdu >/dev/null; then time_tool "ncdu -o /dev/null" ncdu -0 -o /dev/null "$tree"; fi
    time_tool "vscan *.*" "$vscan" "$tree"
    time_tool "vscan *.jpg" "$vscan" --mask '*.jpg' "$tree"
    time_tool "vscan *.* one thread" "$vscan" --threads 1 "$tree"

    # Cold walk against totals answered from the cache, inside one process.
    local cold cached line
    line=$("$vscan" --stats --keep --repeat 2 "$tree" 2>&1)
    cached=$(echo "$line" | sed -n 's/.*seconds=\([0-9.]*\).*/\1/p')
    cold=$("$vscan" "$tree" | sed -n 's/.*seconds=\([0-9.]*\).*/\1/p')
    local du=${medians["du -s"]}
    echo
    printf '  %-28s %10s %8s\n' "tool" "median s" "x du -s"
    for name in "du -s" "du -s --apparent-size" "gdu -n" "ncdu -o /dev/null" "vscan *.*" "vscan *.jpg" "vscan *.* one thread"; do
        [ -n "${medians[$name]:-}" ] || continue
        printf '  %-28s %10.3f %8.3f\n' "$name" "${medians[$name]}" "$(echo "scale=6; ${medians[$name]} / $du" | bc)"
    done
    echo "  walk inside vscan: cold $cold s, fully cached $cached s, ratio $(echo "scale=1; $cold / $cached" | bc)"
    echo "  $(echo "$line" | grep '^cache:')"
}

if [ -n "${FILES:-}" ]; then
    bench_tree "$FILES" "${FOLDERS:-$((FILES / 20))}"
else
    bench_tree 100000 5000
    bench_tree 1000000 50000
fi
