#!/usr/bin/env bash
# Saved scans on the synthetic tree (bench/foldersize's maker): the walk against the walk plus the
# export, the gzip size and time, the import (time and peak memory against the scan tree's), and the
# comparison of two scans of it (the second with a few changes).
#   bench/scans/bench.sh [FILES] [FOLDERS]     (default 1000000 50000)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
files=${1:-1000000}
folders=${2:-50000}
out=$root/build/bench-scans
mkdir -p "$out"
cmake -S "$root" -B "$out/cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVS_TESTS=OFF -DVS_BENCH=ON \
    >"$out/configure.log" 2>&1 || { cat "$out/configure.log"; exit 1; }
cmake --build "$out/cmake" --target vscan vs_mktree >/dev/null
vscan=$out/cmake/tools/vscan
mktree=$(find "$out/cmake" -name vs_mktree -type f | head -1)
tree=$out/tree-$files
if [ ! -f "$tree.summary" ]; then
    rm -rf "$tree"
    "$mktree" "$tree" "$files" "$folders" 8 >"$tree.summary"
fi
echo "tree: $(cat "$tree.summary")"
peak() { /usr/bin/time -f "%M" "$@" 2>&1 >/dev/null | tail -1; }

# Warm the system's caches, then the walk alone and the walk with the export (best of three).
"$vscan" "$tree" >/dev/null
for i in 1 2 3; do "$vscan" "$tree"; done | sed 's/.*seconds=/walk_seconds=/' | sort | head -1
for i in 1 2 3; do "$vscan" --json "$out/a.json" "$tree"; done | sort -t= -k7 | head -1
"$vscan" --json "$out/a.json.gz" "$tree"
echo "json_bytes=$(stat -c %s "$out/a.json") gz_bytes=$(stat -c %s "$out/a.json.gz")"

# Import: time (best of three) and peak memory, against the walk's scan tree.
for i in 1 2 3; do "$vscan" --import "$out/a.json"; done | sed 's/.*seconds=/import_seconds=/' | sort | head -1
"$vscan" --import "$out/a.json.gz" | sed 's/.*seconds=/import_gz_seconds=/'
echo "import_peak_kb=$(peak "$vscan" --import "$out/a.json") walk_peak_kb=$(peak "$vscan" "$tree")"
"$vscan" --stats "$tree" 2>&1 >/dev/null | grep '^tree:'

# The comparison of two 1M-file scans: the second with a file grown, one removed, one added.
python3 - "$out/a.json" "$out/b.json" <<'PY'
import sys
text = open(sys.argv[1]).read()
i = text.index('"asize":')
j = text.index(',', i)
text = text[:i] + '"asize":123456789' + text[j:]
k = text.index('\n{"name":', j)
e = text.index('}', k)
text = text[:k] + '\n{"name":"added.bin","asize":777}' + text[e + 1:]
open(sys.argv[2], "w").write(text)
PY
for i in 1 2 3; do "$vscan" --diff "$out/a.json" "$out/b.json" 2>&1 >/dev/null; done | sort -t= -k3 | head -1
"$vscan" --diff "$out/a.json" "$out/b.json" --top 3
