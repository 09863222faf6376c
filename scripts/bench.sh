#!/bin/sh
# Builds and runs every benchmark under Wine (with Xvfb when there is no display) and
# ends with the summary lines of all of them, "figure <name> <value> <unit>".
# The full output of each benchmark is kept in build/bench-<name>.txt.
set -eu
. "$(dirname "$0")/common.sh"
sh "$root/scripts/setup.sh"
export WINEPREFIX="$build/wineprefix-bench"
configure_and_build
ensure_display
wineserver -p 2>/dev/null || true
cd "$build"
wine bench/run/bench_run.exe 2>/dev/null | tee "$build/bench-run.txt"
wine bench/monitor/bench_monitor.exe 2>/dev/null | tee "$build/bench-monitor.txt"
wine bench/queue/bench_queue.exe 2>/dev/null | tee "$build/bench-queue.txt"
KORVELLO_BUILD_DIR="$build" sh "$root/bench/startup/run.sh" 2>/dev/null | tee "$build/bench-startup.txt"
KORVELLO_BUILD_DIR="$build" sh "$root/bench/reference/run.sh" 2>/dev/null | tee "$build/bench-reference.txt"
KORVELLO_BUILD_DIR="$build" sh "$root/bench/reference/text.sh" 2>/dev/null | tee "$build/bench-text.txt"
KORVELLO_BUILD_DIR="$build" sh "$root/bench/reference/sizes.sh" 2>/dev/null | tee "$build/bench-sizes.txt"
echo
grep -h '^figure ' "$build/bench-run.txt" "$build/bench-monitor.txt" "$build/bench-queue.txt" "$build/bench-startup.txt" \
    "$build/bench-reference.txt" "$build/bench-text.txt" "$build/bench-sizes.txt" | tr -d '\r'
