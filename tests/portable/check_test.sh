#!/bin/sh
# The portable core and the rule-file checker: builds them for Linux with the system's
# g++, lints the shipped rule file (no error) and a broken one (every fault found, exit
# status 1), runs a transcript through the shipped rules and compares the rows, counters
# and status with the expected ones; then the Windows build of the checker (under Wine)
# must print exactly what the Linux build prints, in both languages.
# Usage: check_test.sh SOURCE_DIR LINUX_BUILD_DIR [WINDOWS_CHECKER_EXE]
set -eu
src=$1
out=$2
windows_checker=${3:-}
here="$src/tests/portable"

cmake -S "$src/linux" -B "$out" -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ >/dev/null
cmake --build "$out" -j2 -- --no-print-directory >/dev/null
check="$out/langmap-check/langmap-check"
fail() { echo "FAILED: $*"; exit 1; }

cd "$src"
"$check" converter/langmap.txt >"$out/shipped.out" || fail "the shipped rule file has lint errors: $(cat "$out/shipped.out")"
"$check" --lang=ja converter/langmap.txt >"$out/shipped-ja.out" || fail "the shipped rule file has lint errors (ja)"
grep -q "67 rules for en-us=, 0 errors" "$out/shipped.out" || fail "unexpected summary: $(cat "$out/shipped.out")"

cd "$here"
status=0
"$check" broken-langmap.txt >"$out/broken.out" || status=$?
[ "$status" -eq 1 ] || fail "a broken rule file gave exit status $status"
for expected in \
    "broken-langmap.txt:2: error: the pattern does not compile: end pattern with unmatched parenthesis" \
    "broken-langmap.txt:7: error: unknown type \"Warn\"" \
    "broken-langmap.txt:12: error: the text inserts %2 but the pattern has 1 group" \
    "broken-langmap.txt:15: warning: unreachable: an earlier rule (\"Error: (.*)\")" \
    "broken-langmap.txt:19: error: cannot place this line" \
    "broken-langmap.txt:20: error: \"type=\" inside the line" \
    "broken-langmap.txt:21: warning: no ja= text" \
    "broken-langmap.txt:23: error: the text comes out empty" \
    "4 rules for en-us=, 7 errors, 5 warnings"; do
    grep -qF "$expected" "$out/broken.out" || fail "missing finding: $expected"
done

cd "$src/tests/portable"
"$check" --exit-code=1 --seconds=4 ../../converter/langmap.txt transcript.txt \
    | sed 's#^\.\./\.\./converter/##' >"$out/transcript.out"
diff -u expected-transcript.txt "$out/transcript.out" || fail "transcript rows differ"

# An inline option holds across "|": the rule decides a message that begins with the
# second alternative in capitals.
printf 'expression=(?i)warning|fatal\ntype=warn\ndefault=Disk problem\n' >"$out/inline-option.txt"
printf 'Fatal: disk full\n' >"$out/inline-option-output.txt"
"$check" "$out/inline-option.txt" "$out/inline-option-output.txt" >"$out/inline-option.out"
grep -q "Warning  *Disk problem" "$out/inline-option.out" || fail "(?i)warning|fatal does not decide Fatal: $(cat "$out/inline-option.out")"

# Real output of the reference converter (reference/) in cases that go wrong: each
# reason must be a warning or an error row, in both languages; the front end's default
# options raise no warning.
cd "$here/reference"
expect_row() { # language transcript type text
    "$check" --lang="$1" --exit-code=1 ../../../converter/langmap.txt "$2" >"$out/reference.out"
    grep -qF "$4" "$out/reference.out" || fail "$2 ($1): no row \"$4\": $(cat "$out/reference.out")"
    grep -F "$4" "$out/reference.out" | grep -q "^  $3" || fail "$2 ($1): \"$4\" is not a $3 row"
}
expect_row en locked.txt Error "The document is protected by a password"
expect_row ja locked.txt "エラー" "文書はパスワードで保護されている"
expect_row en wide.txt Warning "Page 1 is too large for DjVu at 300 dpi; it was encoded at 262 dpi."
expect_row ja wide.txt "警告" "262 dpi で変換しました"
expect_row en damaged.txt Warning "The document had errors that were repaired or ignored"
expect_row en fontpdf.txt Warning "Font Korvello-NoSuchFace is not embedded in the document; NimbusSans-Regular is used"
expect_row ja fontps.txt "警告" "フォント Korvello-NoSuchFace を Courier で代用します。"
expect_row en dict.txt Warning "Not carried out by this converter (ignored): --no-exact-color"
expect_row en nofolder.txt Error "The output folder does not exist: Z:\\home\\user\\none\\"
expect_row ja race.txt "エラー" "変換中に別のプログラムが出力ファイル"
expect_row en folder-removed.txt Error "was the output folder removed?"
# The structure's notices, in the converter's words (no document here makes them fail).
printf '%s\n' "   **** Notice: the document's outline, page labels and information could not be read (the reading ended with exit code 2: qpdf: in.pdf: unable to find /Root dictionary); the pages are kept without them." \
    "   **** Notice: the document's information could not be read (qpdf's report could not be read); its outline and page labels are kept." \
    >"$out/structure.txt"
expect_row en "$out/structure.txt" Warning "The document's outline, page titles and metadata were not carried over"
expect_row ja "$out/structure.txt" "警告" "しおりとページタイトルは引き継ぎました"
"$check" --exit-code=0 --seconds=1 ../../../converter/langmap.txt default.txt >"$out/default.out"
grep -q "warnings: 0" "$out/default.out" || fail "the front end's default options raise a warning: $(cat "$out/default.out")"
grep -q "Finished in 1 second\.$" "$out/default.out" || fail "one second is not said right: $(cat "$out/default.out")"

if [ -n "$windows_checker" ]; then
    for lang in en ja; do
        "$check" --lang=$lang --exit-code=1 broken-langmap.txt transcript.txt >"$out/linux-$lang.out" || true
        "$src/scripts/wine-run.sh" --prefix "$WINEPREFIX" "$windows_checker" --lang=$lang --exit-code=1 \
            broken-langmap.txt transcript.txt | tr -d '\r' >"$out/windows-$lang.out" || true
        diff -u "$out/linux-$lang.out" "$out/windows-$lang.out" || fail "Windows and Linux builds differ ($lang)"
    done
fi
echo "langmap-check: all checks passed"
