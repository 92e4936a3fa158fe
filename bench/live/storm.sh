#!/usr/bin/env bash
# A folder written ten times a second while the main window shows it: runs the live-refresh storm of
# the main-window tests for SECONDS (30 by default) under Wine and prints its figures: writes, readings
# of the folder, list paints (and how many found no rows or drawing switched off), change events, how
# long after the pie chart's shortcut the pie showed, and idle updates.
# Usage: bench/live/storm.sh [SECONDS]   (needs DISPLAY and a built build/win)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix-test}
. "$root/scripts/wine-env.sh"
VS_LIVE_STORM_SECONDS=${1:-30} wine "$root/build/win/tests/app_mainform_live_tests.exe" \
    --gtest_filter='MainFormLive.AFolderWrittenTenTimesASecond*' 2>&1 | grep -E '^\[ +(storm|OK|FAILED) '
