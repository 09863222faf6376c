#!/bin/sh
# Builds and runs the start-up benchmark under Wine: korvello-gui.exe (with its
# converter beside it) against the minimal property-sheet program.
# Usage: bench/startup/run.sh [rounds [other.exe...]]   (KORVELLO_BUILD_DIR selects the
# build folder; other programs, such as an earlier build of korvello-gui.exe, are measured
# in the same rounds; KORVELLO_STARTUP_FILE=<Windows path> starts every program with that
# file, as the file manager's verb does)
set -eu
project=$(cd "$(dirname "$0")/../.." && pwd)
KORVELLO_BUILD_DIR="${KORVELLO_BUILD_DIR:-$project/build}"
. "$project/scripts/common.sh"
root="$project"
rounds="${1:-10}"
if [ $# -gt 0 ]; then shift; fi
cmake --build "$build" --target startup-bench -- --no-print-directory -j2 >/dev/null
ensure_display
wineserver -p 2>/dev/null || true
for other in "$@"; do
    set -- "$@" "$(winepath -w "$(realpath "$other")")"
    shift
done
cd "$build"
wine bench/startup/startup-bench.exe "$(winepath -w app/korvello-gui.exe)" \
    "$(winepath -w bench/startup/minimal-sheet.exe)" "$rounds" "$@"
