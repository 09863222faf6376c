#!/bin/sh
# The reference converter's hidden text on real documents: Debian's documentation
# (TeX, DocBook, groff, dvips, ReportLab and cairo PDFs and PostScript) and the text
# samples of the tests (kerned, ligature, spaced, tiny, off-page and rotated text), each converted
# as a user converts it (wine korvello.exe --words --pages-per-dict=20, the front end's
# default for sharing shapes), read back page by page with
# djvutxt and compared with the words pdftotext finds in the source (for PostScript, in
# the same pages made PDF by Ghostscript). Prints "figure" lines per document: the share
# of pdftotext's words found (word recall), the share of those boxed within 6 pt of
# pdftotext's box, pages whose text djvutxt cannot read and CJK characters in the text;
# then the lowest recall and box share of the documents and the sums.
# The documents come from this machine's /usr/share/doc and from packages fetched with
# apt-get download into the build folder (never into git).
# Usage: bench/reference/text.sh [dpi] [documents...]
#   KORVELLO_BUILD_DIR selects the build folder; KORVELLO_EXE another korvello.exe (an
#   earlier build, for a before-and-after comparison).
set -eu
project=$(cd "$(dirname "$0")/../.." && pwd)
KORVELLO_BUILD_DIR="${KORVELLO_BUILD_DIR:-$project/build}"
. "$project/scripts/common.sh"
dpi="${1:-300}"
[ $# -gt 0 ] && shift
command -v pdftotext >/dev/null || sh "$project/scripts/setup.sh" # installs poppler-utils
converter="${KORVELLO_EXE:-}"
if [ -z "$converter" ]; then
    cmake --build "$build" --target korvello-reference korvello-samples -- --no-print-directory -j2 >/dev/null
    converter="$build/reference/korvello.exe"
fi
export WINEPREFIX="$build/bench-prefix"
ensure_display
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1 || true

corpus="$build/text-corpus"
mkdir -p "$corpus/packages"
doc=/usr/share/doc
# name and source of each document (.gz sources are unpacked)
documents="gnucobol:$doc/gnucobol3/gnucobol.pdf.gz
nettle:$doc/nettle-dev/nettle.pdf.gz
libtasn1:$doc/libtasn1-doc/libtasn1.pdf
valgrind:$doc/valgrind/valgrind_manual.pdf.gz
valgrind-ps:$doc/valgrind/valgrind_manual.ps.gz
bzip2:$doc/bzip2/manual.pdf.gz
bzip2-ps:$doc/bzip2/manual.ps.gz
fontconfig:$doc/fontconfig/fontconfig-user.pdf.gz
crc:$doc/zlib1g-dev/crc-doc.1.0.pdf.gz
mime-spec:$doc/shared-mime-info/shared-mime-info-spec.pdf
man-db-ps:$doc/man-db/man-db-manual.ps.gz
gdb-refcard-ps:$doc/gdb/refcard.ps.gz
reportlab:python-reportlab-doc:usr/share/doc/python-reportlab-doc/reportlab-userguide.pdf
andika-features:fonts-sil-andika:usr/share/doc/fonts-sil-andika/documentation/pdf/features.pdf.gz
generated:$build/samples/text.pdf
generated-ps:$build/samples/text.ps"

# The document's file in the corpus folder (fetched or unpacked once); empty when it
# is not to be had.
fetch() { # name source
    case "$2" in
    /*) file="$2" ;;
    *)
        package=${2%%:*}
        file="$corpus/packages/$package/${2#*:}"
        if [ ! -f "$file" ]; then
            (cd "$corpus/packages" && apt-get download "$package" >/dev/null 2>&1 &&
                dpkg-deb -x "$package"_*.deb "$package" && rm -f "$package"_*.deb) || true
        fi
        ;;
    esac
    [ -f "$file" ] || return 0
    stem=${file%.gz}
    target="$corpus/$1.${stem##*.}"
    if [ ! -f "$target" ]; then
        case "$file" in *.gz) zcat "$file" >"$target" ;; *) cp "$file" "$target" ;; esac
    fi
    echo "$target"
}

rm -f "$corpus"/*.figures
echo "$documents" | while IFS= read -r entry; do
    name=${entry%%:*}
    if [ $# -gt 0 ] && ! echo " $* " | grep -q " $name "; then continue; fi
    input=$(fetch "$name" "${entry#*:}")
    if [ -z "$input" ]; then
        echo "$name: not available, left out"
        continue
    fi
    reference="$corpus/$name.reference.pdf"
    case "$input" in
    *.ps) [ -f "$reference" ] || gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite -dAutoRotatePages=/None \
        -o "$reference" "$input" ;;
    *) reference="$input" ;;
    esac
    [ -f "$corpus/$name.words.html" ] || pdftotext -bbox "$reference" "$corpus/$name.words.html"
    output="$corpus/$name.djvu"
    rm -f "$output"
    wine "$converter" --dpi="$dpi" --words --pages-per-dict=20 "$(winepath -w "$input")" "$(winepath -w "$output")" \
        >"$corpus/$name.out.txt" 2>&1 || { echo "$name: the converter failed:"; tail -n 3 "$corpus/$name.out.txt"; continue; }
    pages=$(djvused -e n "$output")
    : >"$corpus/$name.pages"
    page=1
    while [ "$page" -le "$pages" ]; do
        if djvused -e "select $page; print-txt" "$output" >/dev/null 2>&1; then
            djvutxt -page="$page" -detail=word "$output" >>"$corpus/$name.pages" 2>/dev/null || true
            echo "#end" >>"$corpus/$name.pages"
        else
            echo "#unreadable" >>"$corpus/$name.pages"
        fi
        page=$((page + 1))
    done
    python3 "$project/bench/reference/text_compare.py" "$name" "$corpus/$name.words.html" "$corpus/$name.pages" "$dpi" \
        | tee "$corpus/$name.figures"
    grep -c "Notice: the hidden text" "$corpus/$name.out.txt" | sed "s/^/$name: pages whose text was left out: /"
done
cat "$corpus"/*.figures 2>/dev/null | awk '
    $1 == "figure" && $2 ~ /^text_word_recall_/ { if (!seen++ || $3 < recall) recall = $3 }
    $1 == "figure" && $2 ~ /^text_box_share_/ { if (!seenb++ || $3 < boxes) boxes = $3 }
    $1 == "figure" && $2 ~ /^text_unreadable_pages_/ { unreadable += $3 }
    $1 == "figure" && $2 ~ /^text_cjk_chars_/ { cjk += $3 }
    END {
        printf "figure text_word_recall %.3f share\n", recall
        printf "figure text_box_share %.3f share\n", boxes
        printf "figure text_unreadable_pages %d pages\n", unreadable
        printf "figure text_cjk_chars %d chars\n", cjk
    }'
