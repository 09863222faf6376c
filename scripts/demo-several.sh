#!/bin/sh
# Several documents in one go, started the way the file manager starts them: one
# korvello-gui.exe per selected file, all at once, in a demo folder with the reference
# converter. Of the documents (copies of the sample PDF) one is damaged beyond repair.
# Without a display it runs under Xvfb, confirms the sheet, saves screenshots of the
# sheet, the queue running, the summary and the sheet that comes back with the failed
# document in shots/ (or the folder given), and prints what was made.
#   scripts/demo-several.sh [count] [shots folder]     (count: 2 to 100, default 12)
set -eu
. "$(dirname "$0")/common.sh"
count="${1:-12}"
sh "$root/scripts/setup.sh"
configure_and_build

demo="$build/demo-several"
export WINEPREFIX="$build/demo-prefix"
# Nothing of an earlier demo stopped half-way runs on in the prefix (it would collect the files).
wineserver -k 2>/dev/null || true
rm -rf "$demo" && mkdir -p "$demo"
cp "$build/dist/korvello-gui.exe" "$build/dist/langmap.txt" "$demo/"
cp "$build/reference/korvello.exe" "$demo/korvello.exe"
i=1
while [ "$i" -lt "$count" ]; do
    cp "$build/samples/sample.pdf" "$demo/report $(printf %02d "$i").pdf"
    i=$((i + 1))
done
printf '%%PDF-1.4\nnot a document\n' >"$demo/damaged.pdf"

headless=
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    headless=1
fi
ensure_display
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Veltrana\Korvello\GUI' /v OpenDjVuAfterConversion /t REG_DWORD /d 0 /f >/dev/null 2>&1
cd "$demo"
for file in *.pdf; do
    wine korvello-gui.exe "$(winepath -w "$demo/$file")" &
done
if [ -z "$headless" ]; then
    wait
    exit 0
fi

shots="${2:-$root/shots}"
mkdir -p "$shots"
snap() { sleep "$1"; import -window root "$shots/$2" && echo "screenshot: $shots/$2"; }
snap 8 several-1-sheet.png
xdotool key Return 2>/dev/null || true   # OK on the sheet
snap 6 several-2-running.png
i=0
while [ "$(ls "$demo"/*.djvu 2>/dev/null | wc -l)" -lt $((count - 1)) ] && [ $i -lt 600 ]; do
    sleep 0.5
    i=$((i + 1))
done
snap 4 several-3-summary.png
xdotool key Return 2>/dev/null || true   # Close on the summary
snap 3 several-4-failed-back.png
xdotool key Escape 2>/dev/null || true   # Cancel on the sheet
sleep 2
for djvu in "$demo"/*.djvu; do
    [ -f "$djvu" ] && echo "$(basename "$djvu"): $(djvused -e n "$djvu") pages"
done
echo "logs, one per document:"
find "$WINEPREFIX/drive_c/users" -name '_korvello-*.log' -newer "$demo/damaged.pdf" -printf '  %f %s bytes\n' | sort
