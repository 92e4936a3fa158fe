#!/usr/bin/env bash
# CPU of an idle Voluscope: starts the program on a small folder under Wine, waits for start-up,
# then reads the CPU ticks of the program's process and of this prefix's wineserver over a window
# of seconds. Prints both as a share of one core, beside the wall time.
# Usage: bench/idle/idle_cpu.sh [SECONDS] [SETTLE_SECONDS]   (needs DISPLAY, a built build/win)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-env.sh"
seconds=${1:-10}
settle=${2:-15}
exe="$root/build/win/Voluscope.exe"
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir -p "$folder/a" "$folder/b" && echo hello >"$folder/a/x.txt"

wine "$exe" "Z:$(echo "$folder" | tr / '\\')" >/dev/null 2>&1 &
launcher=$!
sleep "$settle"

# The program's own process, and the wineserver of this prefix.
app=$(pgrep -n -f 'Voluscope\.exe' || true)
server=
# wineserver works in a folder named after the prefix's device and inode.
tag=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
for p in $(pgrep wineserver); do
    case "$(readlink "/proc/$p/cwd" 2>/dev/null)" in */"$tag") server=$p ;; esac
done
[ -n "$app" ] || { echo "Voluscope.exe is not running" >&2; exit 1; }

ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
hz=$(getconf CLK_TCK)
a0=$(ticks "$app"); s0=0; [ -n "$server" ] && s0=$(ticks "$server")
t0=$(date +%s.%N)
sleep "$seconds"
a1=$(ticks "$app"); s1=0; [ -n "$server" ] && s1=$(ticks "$server")
t1=$(date +%s.%N)
awk -v a=$((a1 - a0)) -v s=$((s1 - s0)) -v hz="$hz" -v t0="$t0" -v t1="$t1" 'BEGIN {
    wall = t1 - t0
    printf "wall %.1f s; Voluscope.exe %.2f s CPU = %.1f %% of a core; wineserver %.2f s CPU = %.1f %% of a core\n",
        wall, a / hz, 100 * a / hz / wall, s / hz, 100 * s / hz / wall }'
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
kill "$app" 2>/dev/null || true
wait "$launcher" 2>/dev/null || true
