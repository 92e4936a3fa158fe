#!/usr/bin/env bash
# Times vscan (Release build) against du -s, du -s --apparent-size, gdu and ncdu on synthetic trees,
# warm cache, several runs each, and prints the medians and the ratios to du -s.
#   bench/foldersize/compare.sh            1,000,000-file tree and 100,000-file tree
#   FILES=100000 FOLDERS=5000 RUNS=3 bench/foldersize/compare.sh   one tree of that size
#   BASELINE_VSCAN=/path/to/vscan ...   also times another build of vscan (an earlier commit) in the same rounds
# Each tree also gets vs_treebench: the scan tree's walk against the totals-only one, mask changes with
# their directory reads, memory per file and cancel latency.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/build/bench
runs=${RUNS:-5}
mkdir -p "$out/trees"

echo "== Release build of vscan"
cmake -S "$root" -B "$out/cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVS_TESTS=OFF -DVS_BENCH=ON >/dev/null || exit 1
cmake --build "$out/cmake" --target vscan vs_mktree foldersize_bench vs_treebench >/dev/null || exit 1
mkdir -p "$out/bin"
for t in vscan vs_mktree foldersize_bench vs_treebench; do cp "$(find "$out/cmake" -name $t -type f | head -1)" "$out/bin/$t"; done
vscan=$out/bin/vscan
mktree=$out/bin/vs_mktree

for tool in gdu ncdu; do
    if ! command -v $tool >/dev/null; then
        echo "== Installing $tool"
        apt-get install -y $tool >/dev/null 2>&1 || { apt-get update >/dev/null 2>&1 && apt-get install -y $tool >/dev/null 2>&1; } || true
    fi
done

# One run of a command (output discarded): "wall cpu" seconds, cpu being user + system time. On a busy
# machine the wall time swings with the load; the CPU time much less.
run_once() {
    local TIMEFORMAT='%R %U %S' t
    t=$({ time bash -c "$1" >/dev/null 2>&1; } 2>&1 | tail -1)
    echo "$t" | awk '{printf "%.3f %.3f\n", $1, $2 + $3}'
}

median() { sort -g | awk '{a[NR]=$1} END {if (NR % 2) print a[(NR+1)/2]; else printf "%.6f\n", (a[NR/2]+a[NR/2+1])/2}'; }

# Each round runs every tool once, so that load from elsewhere on the machine falls on all of them alike.
declare -A medians
declare -A cpu_medians
declare -A samples
declare -A cpu_samples
names=()
commands=()
add_tool() {
    names+=("$1")
    commands+=("$2")
}
time_tools() {
    samples=()
    cpu_samples=()
    medians=()
    cpu_medians=()
    local round i wall cpu
    for round in $(seq "$runs"); do
        for i in "${!names[@]}"; do
            read -r wall cpu < <(run_once "${commands[$i]}")
            samples[${names[$i]}]+="$wall "
            cpu_samples[${names[$i]}]+="$cpu "
        done
    done
    for i in "${!names[@]}"; do
        local name=${names[$i]}
        medians[$name]=$(printf '%s\n' ${samples[$name]} | median)
        cpu_medians[$name]=$(printf '%s\n' ${cpu_samples[$name]} | median)
        printf '  %-28s wall %s  cpu %s\n' "$name" "${samples[$name]}" "${cpu_samples[$name]}"
    done
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
    expect=$(find "$tree" -type f -printf '%s\n' | awk '{s+=$1; n++} END {printf "size=%.0f count=%.0f", s, n}')
    got=$("$vscan" "$tree" | sed 's/^\(size=[0-9]*\) used=[0-9]* \(count=[0-9]*\).*/\1 \2/')
    echo "  find: $expect"
    echo "  vscan: $got"
    [ "$expect" = "$got" ] || { echo "MISMATCH"; exit 1; }
    expect=$(find "$tree" -type f -iname '*.jpg' -printf '%s\n' | awk '{s+=$1; n++} END {printf "size=%.0f count=%.0f", s, n}')
    got=$("$vscan" --mask '*.jpg' "$tree" | sed 's/^\(size=[0-9]*\) used=[0-9]* \(count=[0-9]*\).*/\1 \2/')
    echo "  find *.jpg: $expect / vscan *.jpg: $got"
    [ "$expect" = "$got" ] || { echo "MISMATCH"; exit 1; }

    # Warm the page and inode caches.
    du -s "$tree" >/dev/null
    du -s "$tree" >/dev/null

    local load
    load=$(cut -d' ' -f1-3 /proc/loadavg)
    names=()
    commands=()
    add_tool "du -s" "du -s '$tree'"
    add_tool "du -s --apparent-size" "du -s --apparent-size '$tree'"
    if command -v gdu >/dev/null; then add_tool "gdu -n" "gdu -n -p '$tree'"; fi
    if command -v ncdu >/dev/null; then add_tool "ncdu -o /dev/null" "ncdu -0 -o /dev/null '$tree'"; fi
    add_tool "vscan *.*" "'$vscan' '$tree'"
    add_tool "vscan *.jpg" "'$vscan' --mask '*.jpg' '$tree'"
    add_tool "vscan *.* one thread" "'$vscan' --threads 1 '$tree'"
    if [ -n "${BASELINE_VSCAN:-}" ]; then
        add_tool "baseline vscan *.*" "'$BASELINE_VSCAN' '$tree'"
        add_tool "baseline vscan one thread" "'$BASELINE_VSCAN' --threads 1 '$tree'"
    fi
    time_tools

    # Cold walk against totals answered from the cache, inside one process.
    local cold cached line
    line=$("$vscan" --stats --keep --repeat 2 "$tree" 2>&1)
    cached=$(echo "$line" | sed -n 's/.*seconds=\([0-9.]*\).*/\1/p')
    cold=$("$vscan" "$tree" | sed -n 's/.*seconds=\([0-9.]*\).*/\1/p')
    local du=${medians["du -s"]} du_cpu=${cpu_medians["du -s"]}
    echo
    echo "  load average before the runs: $load"
    printf '  %-28s %10s %8s %10s %8s\n' "tool" "wall s" "x du -s" "cpu s" "x du -s"
    for name in "${names[@]}"; do
        printf '  %-28s %10.3f %8.3f %10.3f %8.3f\n' "$name" "${medians[$name]}" \
            "$(echo "scale=6; ${medians[$name]} / $du" | bc)" "${cpu_medians[$name]}" \
            "$(echo "scale=6; ${cpu_medians[$name]} / $du_cpu" | bc)"
    done
    echo "  walk inside vscan: cold $cold s, fully cached $cached s, ratio $(echo "scale=1; $cold / $cached" | bc)"
    echo "  $(echo "$line" | grep '^cache:')"
    echo "  $(echo "$line" | grep '^tree:')"

    # The scan tree: time to exact totals against the totals-only walk, mask changes, memory, cancel.
    echo "== Scan tree on $tree"
    "$out/bin/vs_treebench" "$tree" "$runs" | sed 's/^/  /'
}

echo "== Google Benchmark cases"
"$out/bin/foldersize_bench" --benchmark_min_time=0.2 2>&1 | grep -E '^(BM_|Benchmark|-)'

if [ -n "${FILES:-}" ]; then
    bench_tree "$FILES" "${FOLDERS:-$((FILES / 20))}"
else
    bench_tree 100000 5000
    bench_tree 1000000 50000
fi
