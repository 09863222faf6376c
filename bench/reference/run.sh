#!/bin/sh
# The reference converter's speed against Ghostscript rendering alone, on the same
# 100-page sample at the same resolution, in one run; then the front end running the
# converter on it, and the front end's own CPU share during that run.
# Usage: bench/reference/run.sh [dpi]   (KORVELLO_BUILD_DIR selects the build folder)
set -eu
project=$(cd "$(dirname "$0")/../.." && pwd)
KORVELLO_BUILD_DIR="${KORVELLO_BUILD_DIR:-$project/build}"
. "$project/scripts/common.sh"
root="$project"
dpi="${1:-300}"
cmake --build "$build" --target korvello-reference korvello-samples korvello-gui -- --no-print-directory -j2 >/dev/null
export WINEPREFIX="$build/bench-prefix"
ensure_display
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1 || true
wineserver -p 2>/dev/null || true

work="$build/bench-reference"
rm -rf "$work" && mkdir -p "$work"
cp "$build/dist/korvello-gui.exe" "$build/dist/langmap.txt" "$build/tools/korvello/korvello.exe" \
    "$build/samples/long.pdf" "$work/"
pages=$(gs -q -dNODISPLAY -dNOSAFER -c "($work/long.pdf) (r) file runpdfbegin pdfpagecount = quit")
now() { date +%s.%N; }
rate() { echo "$pages $1 $2" | awk '{ printf "%.1f s, %.2f pages/s", $3 - $2, $1 / ($3 - $2) }'; }

start=$(now)
gs -q -dNOPAUSE -dBATCH -dSAFER -r"$dpi" -sDEVICE=ppmraw -o /dev/null "$work/long.pdf"
end=$(now)
echo "Ghostscript rendering alone, $pages pages at $dpi dpi: $(rate "$start" "$end")"

cd "$work"
start=$(now)
wine korvello.exe --dpi="$dpi" --words "$(winepath -w "$work/long.pdf")" "$(winepath -w "$work/long.djvu")" >/dev/null
end=$(now)
echo "reference converter alone (render, encode, bundle, text layer): $(rate "$start" "$end");" \
    "$(wc -c <long.djvu) bytes, $(djvused -e n long.djvu) pages"
rm -f long.djvu

# The front end: OK on the sheet, then its CPU time (user + system, from /proc)
# against the wall time until the output appears.
wine reg add 'HKCU\Software\Veltrana\Korvello\GUI' /v OpenDjVuAfterConversion /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine korvello-gui.exe --dpi="$dpi" "$(winepath -w "$work/long.pdf")" &
gui=$!
pid=$gui # wine execs the program in place: this is the front end's process
sleep 6
xdotool key Return
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
before=$(ticks)
start=$(now)
while [ ! -f long.djvu ]; do sleep 0.05; done
end=$(now)
after=$(ticks)
hz=$(getconf CLK_TCK)
echo "front end running the converter: $(rate "$start" "$end");" \
    "front end CPU $(echo "$after $before $hz $start $end" | awk '{ printf "%.2f s, %.1f%% of one core", ($1 - $2) / $3, 100 * ($1 - $2) / $3 / ($5 - $4) }')"
sleep 3
xdotool key Return 2>/dev/null || true
sleep 3
kill "$gui" 2>/dev/null || true
