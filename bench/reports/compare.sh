#!/usr/bin/env bash
# The all-sub-folders CSV report of a synthetic tree against vscan's walk of the same tree (the folder-size
# service), both Release builds, warm cache, run side by side in rounds; prints the medians of wall and CPU
# time, their ratio, the peak memory of each run and what the report's rows held.
#   bench/reports/compare.sh                                 1,000,000 files in 50,000 folders
#   FILES=100000 FOLDERS=5000 RUNS=3 bench/reports/compare.sh
# With MODE=wine, the Windows build in build/win under Wine instead: Voluscope.exe /csv of one folder of
# FILES files (default 300,000) against vscan.exe's walk of it and vscan.exe --csv, each a fresh process.
#   MODE=wine RUNS=3 bench/reports/compare.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/build/bench
runs=${RUNS:-5}
mkdir -p "$out/trees" "$out/bin"

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

if [ "${MODE:-}" = wine ]; then
    . "$root/scripts/wine-env.sh"
    files=${FILES:-300000}
    exe=$root/build/win/Voluscope.exe vscan=$root/build/win/tools/vscan.exe
    [ -f "$exe" ] && [ -f "$vscan" ] || { echo "build the Windows configuration first"; exit 1; }
    winpath() { echo "Z:$(echo "$1" | sed 's|/|\\|g')"; }
    dir=$out/flat-$files
    if [ "$(ls "$dir" 2>/dev/null | wc -l)" -lt "$files" ]; then
        echo "== Making $dir ($files files in one folder)"
        mkdir -p "$dir"
        python3 -c "
import sys
n, d = int(sys.argv[1]), sys.argv[2]
for i in range(n):
    open(f'{d}/file{i:06d}.' + ['txt','dat','bin','jpg','doc'][i % 5], 'wb').write(b'x' * (i % 3000))
" "$files" "$dir"
    fi
    csv=$out/report-flat-$files.csv
    # Without a display: the switch needs none.
    env -u DISPLAY wine "$exe" /csv "$(winpath "$csv")" "$(winpath "$dir")"
    echo "  report rows: $(awk 'f { n++ } /^\r?$/ { f = 1 } END { print n - 1 }' "$csv"), files: $files"
    load=$(cut -d' ' -f1-3 /proc/loadavg)
    declare -a ww wc wm sw sc sm cw cc cm
    for round in $(seq "$runs"); do
        read -r w c m < <(measure wine "$vscan" --threads 1 "$(winpath "$dir")"); ww+=("$w"); wc+=("$c"); wm+=("$m")
        read -r w c m < <(measure env -u DISPLAY wine "$exe" /csv "$(winpath "$csv")" "$(winpath "$dir")")
        sw+=("$w"); sc+=("$c"); sm+=("$m")
        read -r w c m < <(measure wine "$vscan" --csv "$(winpath "$csv")" "$(winpath "$dir")"); cw+=("$w"); cc+=("$c"); cm+=("$m")
        echo "  round $round: walk ${ww[-1]} s, Voluscope.exe /csv ${sw[-1]} s, vscan.exe --csv ${cw[-1]} s"
    done
    m() { printf '%s\n' "$@" | median; }
    echo
    echo "  load average before the runs: $load (2 cores, shared)"
    printf '  %-34s %8s %8s %10s\n' "run (median of $runs)" "wall s" "cpu s" "peak MB"
    printf '  %-34s %8.3f %8.3f %10.1f\n' "vscan.exe walk, one thread" "$(m "${ww[@]}")" "$(m "${wc[@]}")" "$(echo "$(m "${wm[@]}") / 1024" | bc -l)"
    printf '  %-34s %8.3f %8.3f %10.1f\n' "Voluscope.exe /csv" "$(m "${sw[@]}")" "$(m "${sc[@]}")" "$(echo "$(m "${sm[@]}") / 1024" | bc -l)"
    printf '  %-34s %8.3f %8.3f %10.1f\n' "vscan.exe --csv" "$(m "${cw[@]}")" "$(m "${cc[@]}")" "$(echo "$(m "${cm[@]}") / 1024" | bc -l)"
    echo "  ratio /csv / walk: wall $(echo "scale=2; $(m "${sw[@]}") / $(m "${ww[@]}")" | bc)"
    exit 0
fi

files=${FILES:-1000000}
folders=${FOLDERS:-$((files / 20))}

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
