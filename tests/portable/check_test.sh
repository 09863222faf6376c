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
grep -q "29 rules for en-us=, 0 errors" "$out/shipped.out" || fail "unexpected summary: $(cat "$out/shipped.out")"

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

if [ -n "$windows_checker" ]; then
    for lang in en ja; do
        "$check" --lang=$lang --exit-code=1 broken-langmap.txt transcript.txt >"$out/linux-$lang.out" || true
        "$src/scripts/wine-run.sh" --prefix "$WINEPREFIX" "$windows_checker" --lang=$lang --exit-code=1 \
            broken-langmap.txt transcript.txt | tr -d '\r' >"$out/windows-$lang.out" || true
        diff -u "$out/linux-$lang.out" "$out/windows-$lang.out" || fail "Windows and Linux builds differ ($lang)"
    done
fi
echo "langmap-check: all checks passed"
