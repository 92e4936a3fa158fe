# Sourced by the scripts that run Windows programs: a quiet 64-bit Wine prefix under build/.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko install prompts.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

# Creates the prefix on first use (a few seconds), then reuses it.
wine_prefix_ready() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the Wine prefix in $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || wine wineboot -i >/dev/null 2>&1 || true
        wineserver -w 2>/dev/null || true
    fi
}

# Starts an Xvfb server on a display it picks itself (-displayfd), unless one is usable already; sets
# DISPLAY and XVFB_PID (empty when none was started). Only the server started here is stopped later.
XVFB_PID=
start_xvfb() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
    local out
    out=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$out" >/dev/null 2>&1 &
    XVFB_PID=$!
    local i
    for i in $(seq 100); do
        if [ -s "$out" ] && grep -q '[0-9]' "$out"; then
            export DISPLAY=:$(tr -dc '0-9' <"$out")
            rm -f "$out"
            return 0
        fi
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$out"
    stop_xvfb
    echo "Could not start Xvfb" >&2
    return 1
}

stop_xvfb() {
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    fi
    XVFB_PID=
}

# Stops the wine server of this prefix only (and with it the programs running in it).
stop_wine() {
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
}
