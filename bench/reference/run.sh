#!/bin/sh
# The reference converter on a 100-page text document (PDF) and a 100-page PostScript
# document at the same resolution, started as users start it from a Linux shell (wine,
# the front end's default options, output into a file): pages per second, against
# Ghostscript rendering the same pages alone, the peak of its temporary files, the
# share of the run after the last "Page" line, the DjVu's size against the PDF's; then
# the front end running the converter, and the front end's own CPU share. The peak of
# temporary space is also measured on the 100-page sample with pictures.
# The documents are made here: Debian's manual pages of bash and find set by groff,
# cut to 100 pages by Ghostscript (the 100-page sample when groff or the pages are
# missing). Prints "figure <name> <value> <unit>" lines.
# Usage: bench/reference/run.sh [dpi] [pages]   (pages: the documents cut to that many,
# 100 by default, for high resolutions; KORVELLO_BUILD_DIR selects the build folder;
# KORVELLO_CONVERTER another korvello.exe, such as an earlier build, to measure)
set -eu
project=$(cd "$(dirname "$0")/../.." && pwd)
KORVELLO_BUILD_DIR="${KORVELLO_BUILD_DIR:-$project/build}"
. "$project/scripts/common.sh"
dpi="${1:-300}"
cut="${2:-100}"
cmake --build "$build" --target korvello-reference korvello-samples dist -- --no-print-directory -j2 >/dev/null
export WINEPREFIX="$build/bench-prefix"
ensure_display
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1 || true
wineserver -p 2>/dev/null || true

work="$build/bench-reference"
rm -rf "$work" && mkdir -p "$work"
cp "$build/dist/korvello-gui.exe" "$build/dist/langmap.txt" "$work/"
cp "${KORVELLO_CONVERTER:-$build/reference/korvello.exe}" "$work/korvello.exe"
cd "$work"
manuals=""
for page in bash find; do
    file=$(ls /usr/share/man/man1/$page.1.gz 2>/dev/null || true)
    [ -n "$file" ] && manuals="$manuals $file"
done
if [ -n "$manuals" ] && command -v groff >/dev/null; then
    # shellcheck disable=SC2086
    zcat $manuals | groff -man -Tps 2>/dev/null >manuals.ps
    gs -q -dNOPAUSE -dBATCH -dSAFER -dLastPage="$cut" -sDEVICE=ps2write -o text.ps manuals.ps
    gs -q -dNOPAUSE -dBATCH -dSAFER -dLastPage="$cut" -sDEVICE=pdfwrite -o text.pdf manuals.ps
else
    gs -q -dNOPAUSE -dBATCH -dSAFER -dLastPage="$cut" -sDEVICE=ps2write -o text.ps "$build/samples/long.ps"
    gs -q -dNOPAUSE -dBATCH -dSAFER -dLastPage="$cut" -sDEVICE=pdfwrite -o text.pdf "$build/samples/long.pdf"
fi
defaults="--dpi=$dpi --threshold-level=80 --fg-quality=lossless --bg-subsample=3 --quality=65 --words"
defaults="$defaults --fg-colors=256 --fg-image-colors=256 --pages-per-dict=20"
temp_root=$(find "$WINEPREFIX/drive_c/users" -maxdepth 4 -type d -name Temp | head -n 1)
now() { date +%s.%N; }

# One run of the converter alone: sets seconds, tail (seconds after the last "Page"
# line) and peak_kib (its working folder and temporary output, sampled every 50 ms).
convert_alone() { # input output pages
    rm -f "$2" out.txt
    start=$(now)
    # shellcheck disable=SC2086
    wine korvello.exe --killevent=Korvello_GUI_bench $defaults "$(winepath -w "$work/$1")" \
        "$(winepath -w "$work/$2")" >out.txt 2>&1 &
    converter=$!
    peak_kib=0
    last_page=""
    while kill -0 "$converter" 2>/dev/null; do
        used=$(du -sk "$temp_root"/korvello-* "$work"/*.korvello-part 2>/dev/null | awk '{ s += $1 } END { print s + 0 }')
        [ "$used" -gt "$peak_kib" ] && peak_kib=$used
        if [ -z "$last_page" ] && grep -q "^Page $3.$" out.txt 2>/dev/null; then last_page=$(now); fi
        sleep 0.05
    done
    wait "$converter" || { echo "the converter failed on $1:"; tail -n 5 out.txt; exit 1; }
    end=$(now)
    [ -n "$last_page" ] || last_page=$end
    seconds=$(echo "$start $end" | awk '{ printf "%.2f", $2 - $1 }')
    tail=$(echo "$last_page $end" | awk '{ printf "%.2f", $2 - $1 }')
}

pages=$(gs -q -dNODISPLAY -dNOSAFER -c "(text.pdf) (r) file runpdfbegin pdfpagecount = quit")
start=$(now)
gs -q -dNOPAUSE -dBATCH -dSAFER -r"$dpi" -sDEVICE=ppmraw -o /dev/null text.pdf
render=$(echo "$start $(now)" | awk '{ printf "%.2f", $2 - $1 }')
convert_alone text.pdf text.djvu "$pages"
echo "Ghostscript rendering alone, $pages pages at $dpi dpi: $render s"
echo "converter, text PDF: $seconds s, $tail s after the last Page line, peak temporary $((peak_kib / 1024)) MiB," \
    "$(wc -c <text.djvu) bytes against $(wc -c <text.pdf) for the PDF, $(djvused -e n text.djvu) pages"
echo "figure reference_pages_per_s $(echo "$pages $seconds" | awk '{ printf "%.2f", $1 / $2 }') pages/s"
echo "figure reference_vs_render $(echo "$seconds $render" | awk '{ printf "%.1f", $1 / $2 }') x"
echo "figure progress_tail_share $(echo "$tail $seconds" | awk '{ printf "%.3f", $1 / $2 }') share"
echo "figure djvu_vs_pdf_size $(echo "$(wc -c <text.djvu) $(wc -c <text.pdf)" | awk '{ printf "%.2f", $1 / $2 }') x"
text_peak=$peak_kib

ps_pages=$(grep -a -m 1 '^%%Pages:' text.ps | awk '{ print $2 }')
start=$(now)
gs -q -dNOPAUSE -dBATCH -dSAFER -r"$dpi" -sDEVICE=ppmraw -o /dev/null text.ps
ps_render=$(echo "$start $(now)" | awk '{ printf "%.2f", $2 - $1 }')
convert_alone text.ps textps.djvu "$ps_pages"
echo "PostScript, $ps_pages pages: rendering alone $ps_render s; converter $seconds s, $tail s after the last Page" \
    "line, peak temporary $((peak_kib / 1024)) MiB, $(djvused -e n textps.djvu) pages"
echo "figure reference_ps_pages_per_s $(echo "$ps_pages $seconds" | awk '{ printf "%.2f", $1 / $2 }') pages/s"
echo "figure reference_ps_vs_render $(echo "$seconds $ps_render" | awk '{ printf "%.1f", $1 / $2 }') x"
echo "figure progress_tail_share_ps $(echo "$tail $seconds" | awk '{ printf "%.3f", $1 / $2 }') share"
[ "$peak_kib" -gt "$text_peak" ] || peak_kib=$text_peak
text_peak=$peak_kib

# Pages of pictures and colour make the largest temporary files: the 100-page sample
# (two pages in five with pictures or shades) for the peak of temporary space.
if [ "$cut" -ge 100 ]; then
    cp "$build/samples/long.pdf" pictures.pdf
else
    gs -q -dNOPAUSE -dBATCH -dSAFER -dLastPage="$cut" -sDEVICE=pdfwrite -o pictures.pdf "$build/samples/long.pdf"
fi
picture_pages=$(gs -q -dNODISPLAY -dNOSAFER -c "(pictures.pdf) (r) file runpdfbegin pdfpagecount = quit")
convert_alone pictures.pdf pictures.djvu "$picture_pages"
echo "pictures (sample, $picture_pages pages): $seconds s, peak temporary $((peak_kib / 1024)) MiB"
echo "figure reference_pictures_pages_per_s $(echo "$picture_pages $seconds" | awk '{ printf "%.2f", $1 / $2 }') pages/s"
echo "figure reference_pictures_peak_temp_mib $(echo "$peak_kib" | awk '{ printf "%.0f", $1 / 1024 }') MiB"
[ "$peak_kib" -gt "$text_peak" ] || peak_kib=$text_peak
echo "figure reference_peak_temp_mib $(echo "$peak_kib" | awk '{ printf "%.0f", $1 / 1024 }') MiB"
rm -f text.djvu textps.djvu pictures.djvu

# The front end: OK on the sheet, then its CPU time (user + system, from /proc)
# against the wall time until the output appears.
wine reg add 'HKCU\Software\Veltrana\Korvello\GUI' /v OpenDjVuAfterConversion /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine korvello-gui.exe --dpi="$dpi" "$(winepath -w "$work/text.pdf")" &
gui=$!
pid=$gui # wine execs the program in place: this is the front end's process
sleep 6
xdotool key Return
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
before=$(ticks)
start=$(now)
while [ ! -f text.djvu ]; do sleep 0.05; done
end=$(now)
after=$(ticks)
hz=$(getconf CLK_TCK)
echo "front end running the converter: $(echo "$start $end" | awk '{ printf "%.1f s", $2 - $1 }');" \
    "front end CPU $(echo "$after $before $hz $start $end" | awk '{ printf "%.2f s, %.1f%% of one core", ($1 - $2) / $3, 100 * ($1 - $2) / $3 / ($5 - $4) }')"
sleep 3
xdotool key Return 2>/dev/null || true
sleep 3
kill "$gui" 2>/dev/null || true
