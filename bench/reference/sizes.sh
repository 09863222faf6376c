#!/bin/sh
# The DjVu's size against the PDF's for real documents, converted by the reference
# converter with the front end's default options: Debian's documentation (text documents
# set by pdfTeX and FOP; ReportLab's user guide, a picture-heavy one, from its Debian
# package) and the converter's sample of shading, light lines, coloured marks and a
# picture beside text, whose pages are also compared with Ghostscript's rendering
# (page_match.py). The documents are gathered in the build folder (corpus/), never in git.
# Prints "figure <name> <value> <unit>" lines: the ratio per document, the worst text and
# picture documents, pages per second over all of them, the share of matching pages, and
# per document with an outline or page labels the share of its entries and labels carried
# over (structure.py). Then each foreground quality level on the text documents against
# lossless (below).
# Usage: bench/reference/sizes.sh [levels]   (levels: the quality levels only;
# KORVELLO_BUILD_DIR selects the build folder; KORVELLO_CONVERTER another korvello.exe,
# such as an earlier build, to measure)
set -eu
part="${1:-all}"
project=$(cd "$(dirname "$0")/../.." && pwd)
KORVELLO_BUILD_DIR="${KORVELLO_BUILD_DIR:-$project/build}"
. "$project/scripts/common.sh"
cmake --build "$build" --target korvello-reference korvello-samples -- --no-print-directory -j2 >/dev/null
export WINEPREFIX="$build/bench-prefix"
ensure_display
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1 || true
converter="${KORVELLO_CONVERTER:-$build/reference/korvello.exe}"

corpus="$build/corpus"
mkdir -p "$corpus"
text_documents="gnucobol3/gnucobol.pdf.gz nettle-dev/nettle.pdf.gz libtasn1-doc/libtasn1.pdf valgrind/valgrind_manual.pdf.gz
bzip2/manual.pdf.gz fontconfig/fontconfig-user.pdf.gz zlib1g-dev/crc-doc.1.0.pdf.gz shared-mime-info/shared-mime-info-spec.pdf"
texts=""
for document in $text_documents; do
    file="/usr/share/doc/$document"
    name=$(basename "$document" .gz)
    [ -f "$file" ] || { echo "not installed here: $file"; continue; }
    case "$file" in
        *.gz) [ -f "$corpus/$name" ] || zcat "$file" >"$corpus/$name" ;;
        *) cp "$file" "$corpus/$name" ;;
    esac
    texts="$texts $name"
done
pictures=""
if [ ! -f "$corpus/reportlab-userguide.pdf" ]; then
    (cd "$corpus" && apt-get download python-reportlab-doc >/dev/null 2>&1 && dpkg-deb -x python-reportlab-doc_*.deb deb \
        && cp deb/usr/share/doc/python-reportlab-doc/reportlab-userguide.pdf . && rm -rf deb python-reportlab-doc_*.deb) \
        || echo "python-reportlab-doc could not be downloaded"
fi
[ -f "$corpus/reportlab-userguide.pdf" ] && pictures="reportlab-userguide.pdf"
cp "$build/samples/looks.pdf" "$corpus/looks.pdf"
pictures="$pictures looks.pdf"

defaults="--dpi=300 --threshold-level=80 --fg-quality=lossless --bg-subsample=3 --quality=65 --words"
defaults="$defaults --fg-colors=256 --fg-image-colors=256 --pages-per-dict=20"
cp "$converter" "$corpus/korvello.exe"
cd "$corpus"
all_pages=0
all_seconds=0
# Converts each document, prints its line and figure; sets worst to the largest ratio.
measure() { # documents
    worst=0
    for name in "$@"; do
        djvu="${name%.pdf}.djvu"
        rm -f "$djvu"
        start=$(date +%s.%N)
        # shellcheck disable=SC2086
        wine korvello.exe $defaults "$(winepath -w "$corpus/$name")" "$(winepath -w "$corpus/$djvu")" \
            >"${name%.pdf}.out" 2>&1 || { echo "the converter failed on $name:"; tail -n 3 "${name%.pdf}.out"; continue; }
        seconds=$(echo "$start $(date +%s.%N)" | awk '{ printf "%.2f", $2 - $1 }')
        pages=$(djvused -e n "$djvu")
        ratio=$(echo "$(wc -c <"$djvu") $(wc -c <"$name")" | awk '{ printf "%.2f", $1 / $2 }')
        echo "$name: $pages pages, $(wc -c <"$name") bytes PDF, $(wc -c <"$djvu") bytes DjVu, $seconds s"
        echo "figure djvu_vs_pdf_$(echo "${name%.pdf}" | tr -c 'A-Za-z0-9\n' '_') $ratio x"
        all_pages=$((all_pages + pages))
        all_seconds=$(echo "$all_seconds $seconds" | awk '{ print $1 + $2 }')
        worst=$(echo "$worst $ratio" | awk '{ print ($2 > $1) ? $2 : $1 }')
    done
}
if [ "$part" = all ]; then
    # shellcheck disable=SC2086
    measure $texts
    echo "figure djvu_vs_pdf_text_worst $worst x"
    # shellcheck disable=SC2086
    measure $pictures
    echo "figure djvu_vs_pdf_pictures_worst $worst x"
    echo "figure corpus_pages_per_s $(echo "$all_pages $all_seconds" | awk '{ printf "%.2f", $1 / $2 }') pages/s"
    python3 "$project/bench/reference/page_match.py" looks.pdf looks.djvu
    # The book's structure: every document with an outline or page labels (the text
    # documents converted above, and the structure sample as PDF and as PostScript with
    # pdfmarks), its outline entries and labels found alike in the DjVu.
    cp "$build/samples/structure.pdf" structure.pdf
    cp "$project/reference/samples/structure.ps" structure.ps
    # shellcheck disable=SC2086
    wine korvello.exe $defaults "$(winepath -w "$corpus/structure.pdf")" "$(winepath -w "$corpus/structure.djvu")" >/dev/null 2>&1
    # shellcheck disable=SC2086
    wine korvello.exe $defaults "$(winepath -w "$corpus/structure.ps")" "$(winepath -w "$corpus/structure_ps.djvu")" >/dev/null 2>&1
    structure_worst=1
    for name in $texts structure.pdf structure.ps; do
        djvu="$(echo "$name" | sed 's/\.pdf$//; s/\.ps$/_ps/').djvu"
        [ -f "$djvu" ] || { echo "no DjVu of $name"; structure_worst=0; continue; }
        pdf=$(echo "$name" | sed 's/\.ps$/.pdf/')
        line=$(python3 "$project/bench/reference/structure.py" "$pdf" "$djvu" \
            | sed "s/^figure structure_structure /figure structure_sample_$(echo "$name" | sed 's/.*\.//') /")
        [ -n "$line" ] || continue
        echo "$line"
        share=$(echo "$line" | awk '/^figure/ { print $3 }')
        structure_worst=$(echo "$structure_worst $share" | awk '{ printf "%.2f", ($2 < $1) ? $2 : $1 }')
    done
    echo "figure structure_worst $structure_worst x"
fi

# The foreground quality levels on the text documents, each against lossless: the files'
# size, their marks' size (the JB2 chunks: dictionaries and pages' marks), the pages
# against the rendering (every 4th page, matching when fewer cells are off than the
# level's tolerance, in thousandths of a page's cells; pages that do not are named), the
# hidden text (the same words as lossless's, so the same recall) and the pages per second.
# A row per document and level: level, document, pages, bytes, marks' bytes, seconds,
# hidden text the same (1) or not.
marks_bytes() { # djvu
    djvudump "$1" | awk '$1 == "Sjbz" || $1 == "Djbz" { gsub(/[][]/, "", $2); sum += $2 } END { print sum + 0 }'
}
levels="lossless:1 quasilossless:1 conservative:1 lossy:2 aggressive:3"
rm -f levels.txt
for name in $texts; do
    matches=""
    for entry in $levels; do
        level=${entry%%:*}
        djvu="${name%.pdf}-$level.djvu"
        if [ "$level" = lossless ] && [ -f "${name%.pdf}.djvu" ]; then
            cp "${name%.pdf}.djvu" "$djvu"
            seconds=0
        else
            rm -f "$djvu"
            start=$(date +%s.%N)
            # shellcheck disable=SC2086
            wine korvello.exe $defaults --fg-quality=$level "$(winepath -w "$corpus/$name")" \
                "$(winepath -w "$corpus/$djvu")" >"${djvu%.djvu}.out" 2>&1 \
                || { echo "the converter failed on $name at $level:"; tail -n 3 "${djvu%.djvu}.out"; continue; }
            seconds=$(echo "$start $(date +%s.%N)" | awk '{ printf "%.2f", $2 - $1 }')
        fi
        djvutxt "$djvu" >"${djvu%.djvu}.txt"
        same=0
        cmp -s "${djvu%.djvu}.txt" "${name%.pdf}-lossless.txt" && same=1
        echo "$level $name $(djvused -e n "$djvu") $(wc -c <"$djvu") $(marks_bytes "$djvu") $seconds $same" | tee -a levels.txt
        matches="$matches $djvu:${entry#*:}:_$level"
    done
    # shellcheck disable=SC2086
    python3 "$project/bench/reference/page_match.py" --every=4 "$name" $matches >"${name%.pdf}-match.txt"
    grep -v "^figure" "${name%.pdf}-match.txt" | awk -v cells="$(echo "$levels" | tr ' ' '\n')" '
        BEGIN { split(cells, entries, "\n"); for (i in entries) { split(entries[i], e, ":"); tolerance[e[1]] = e[2] } }
        { level = $1; sub(/^.*-/, "", level); sub(/\.djvu$/, "", level)
          if ($NF == "off" && $4 * 1000 >= tolerance[level] * $6) print "not matching at its tolerance:", $0 }'
    grep "^figure" "${name%.pdf}-match.txt" | sed "s/^figure /$name /" | tee -a levels.txt
done
for entry in $levels; do
    level=${entry%%:*}
    awk -v level="$level" '
        $1 == "lossless" { bytes[$2] = $4; marks[$2] = $5; compared[$2] = int(($3 + 3) / 4) }
        $1 == level { pages += $3; size += $4; lossless += bytes[$2]; mark += $5; markLossless += marks[$2]
                      seconds += $6; same += $7; documents += 1 }
        $2 == "page_match_share_" level { matchSum += $3 * compared[$1]; matched += compared[$1] }
        END {
            printf "figure size_vs_lossless_%s %.3f x\n", level, size / lossless
            printf "figure marks_vs_lossless_%s %.3f x\n", level, mark / markLossless
            printf "figure page_match_share_%s %.2f share\n", level, matchSum / matched
            printf "figure text_same_as_lossless_%s %.2f share\n", level, same / documents
            if (seconds > 0) printf "figure level_pages_per_s_%s %.2f pages/s\n", level, pages / seconds
        }' levels.txt
done
rm -f ./*.djvu ./*.out ./*.txt korvello.exe structure.ps
