#!/usr/bin/env bash
# The all-sub-folders CSV report of a synthetic tree against vscan's walk of the same tree (the folder-size
# service), both Release builds, warm cache, run side by side in rounds; prints the medians of wall and CPU
# time, their ratio, the peak memory of each run and what the report's rows held.
#   bench/reports/compare.sh                                 1,000,000 files in 50,000 folders
#   FILES=100000 FOLDERS=5000 RUNS=3 bench/reports/compare.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/build/bench
runs=${RUNS:-5}
files=${FILES:-1000000}
folders=${FOLDERS:-$((files / 20))}
mkdir -p "$out/trees" "$out/bin"

echo "== Release build of vscan"
cmake -S "$root" -B "$out/cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVS_TESTS=OFF -DVS_BENCH=ON >/dev/null
cmake --build "$out/cmake" --target vscan vs_mktree >/dev/null
for t in vscan vs_mktree; do cp "$(find "$out/cmake" -name $t -type f | head -1)" "$out/bin/$t"; done
vscan=$out/bin/vscan

tree=$out/trees/files-$files
if [ ! -f "$tree.done" ]; then
    echo "== Making $tree ($files files in $folders folders, up to 8 deep)"
    rm -rf "$tree"
    "$out/bin/vs_mktree" "$tree" "$files" "$folders" 8 >"$tree.summary"
    touch "$tree.done"
fi
echo "== Tree: $(cat "$tree.summary")"
csv=$out/report-$files.csv

# One run: "wall cpu peak-KB" of the command.
measure() {
    python3 - "$@" <<'PY'
import resource, subprocess, sys, time
t = time.monotonic()
subprocess.run(sys.argv[1:], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
r = resource.getrusage(resource.RUSAGE_CHILDREN)
print(f"{time.monotonic() - t:.3f} {r.ru_utime + r.ru_stime:.3f} {r.ru_maxrss}")
PY
}
median() { sort -g | awk '{a[NR]=$1} END {if (NR % 2) print a[(NR+1)/2]; else printf "%.3f\n", (a[NR/2]+a[NR/2+1])/2}'; }

"$vscan" "$tree" >/dev/null
"$vscan" --csv "$csv" "$tree"
rows=$(($(wc -l <"$csv") - 2))
find_count=$(find "$tree" -type f ! -name '.*' | wc -l)
echo "  report rows: $rows, files found by find: $find_count"
[ "$rows" -eq "$find_count" ] || { echo "MISMATCH"; exit 1; }

load=$(cut -d' ' -f1-3 /proc/loadavg)
declare -a ww wc wm cw cc cm ow oc
for round in $(seq "$runs"); do
    read -r w c m < <(measure "$vscan" "$tree"); ww+=("$w"); wc+=("$c"); wm+=("$m")
    read -r w c m < <(measure "$vscan" --threads 1 "$tree"); ow+=("$w"); oc+=("$c")
    read -r w c m < <(measure "$vscan" --csv "$csv" "$tree"); cw+=("$w"); cc+=("$c"); cm+=("$m")
    echo "  round $round: walk ${ww[-1]} s (cpu ${wc[-1]}), csv ${cw[-1]} s (cpu ${cc[-1]})"
done
walk_w=$(printf '%s\n' "${ww[@]}" | median); walk_c=$(printf '%s\n' "${wc[@]}" | median)
csv_w=$(printf '%s\n' "${cw[@]}" | median); csv_c=$(printf '%s\n' "${cc[@]}" | median)
one_w=$(printf '%s\n' "${ow[@]}" | median); one_c=$(printf '%s\n' "${oc[@]}" | median)
walk_m=$(printf '%s\n' "${wm[@]}" | median); csv_m=$(printf '%s\n' "${cm[@]}" | median)
echo
echo "  load average before the runs: $load (2 cores, shared)"
printf '  %-34s %8s %8s %10s\n' "run (median of $runs)" "wall s" "cpu s" "peak MB"
printf '  %-34s %8.3f %8.3f %10.1f\n' "vscan walk (one thread per core)" "$walk_w" "$walk_c" "$(echo "$walk_m / 1024" | bc -l)"
printf '  %-34s %8.3f %8.3f\n' "vscan walk, one thread" "$one_w" "$one_c"
printf '  %-34s %8.3f %8.3f %10.1f\n' "all-sub-folders CSV report" "$csv_w" "$csv_c" "$(echo "$csv_m / 1024" | bc -l)"
echo "  ratio report / walk: wall $(echo "scale=2; $csv_w / $walk_w" | bc), cpu $(echo "scale=2; $csv_c / $walk_c" | bc)"
echo "  ratio report / one-thread walk: wall $(echo "scale=2; $csv_w / $one_w" | bc), cpu $(echo "scale=2; $csv_c / $one_c" | bc)"
echo "  report file: $(du -h "$csv" | cut -f1)"
"$vscan" --stats --csv "$csv" "$tree" 2>&1 | grep '^rows:' | sed 's/^/  /'
