#!/usr/bin/env bash
# The folder list's benchmark under Wine (Windows build in build/win):
#   1. fills of flat folders of 10,000 and 100,000 files with folder sizes off, against the shell's own
#      enumeration plus the icon queries, in the same run; the sorts by every column; memory per item;
#   2. the root of the 1,000,000-file tree (bench/foldersize) listed with folder sizes on, against
#      vscan.exe's walk of the same tree, each in a fresh process so neither finds a warm cache.
#   SIZES="10000 100000" RUNS=1 bench/shelllist/compare.sh
#   MODE=enumerate: the otEnumerate setting (no icon queries in the fill, nor in the reference); under
#   Wine each icon query costs milliseconds, so this is the practical way to time 100,000 files.
#   MODE=fillonly: the program's own setting without the reference, whose per-file icon queries take
#   many minutes for 100,000 files under Wine.
#   SKIP_TREE=1 leaves out step 2.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-env.sh"
out=$root/build/bench
bench=$root/build/win/tests/shelllist_bench.exe
vscan=$root/build/win/tools/vscan.exe
runs=${RUNS:-1}
mkdir -p "$out"

winpath() { echo "Z:$(echo "$1" | sed 's|/|\\|g')"; }

for n in ${SIZES:-10000 100000}; do
    dir=$out/flat-$n
    if [ "$(ls "$dir" 2>/dev/null | wc -l)" -lt "$n" ]; then
        mkdir -p "$dir"
        python3 -c "
import sys
n, d = int(sys.argv[1]), sys.argv[2]
for i in range(n):
    open(f'{d}/file{i:06d}.' + ['txt','dat','bin','jpg','doc'][i % 5], 'wb').write(b'x' * (i % 3000))
" "$n" "$dir"
    fi
    for r in $(seq "$runs"); do
        echo "== fill of $n files, run $r (load: $(cut -d' ' -f1-3 /proc/loadavg))"
        wine "$bench" "$(winpath "$dir")" ${MODE:-}
    done
done

tree=$out/trees/files-1000000
if [ -d "$tree" ] && [ -z "${SKIP_TREE:-}" ]; then
    for r in $(seq "$runs"); do
        echo "== root of the 1,000,000-file tree with folder sizes on, run $r (load: $(cut -d' ' -f1-3 /proc/loadavg))"
        TIMEFORMAT='vscan.exe: wall %R s, cpu %U+%S s'
        time wine "$vscan" "$(winpath "$tree")" >/dev/null
        TIMEFORMAT='folder list: wall %R s, cpu %U+%S s'
        time wine "$bench" "$(winpath "$tree")" sizes
    done
fi
