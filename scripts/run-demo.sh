#!/bin/sh
# Builds the front end and starts it on a demo folder under Wine. The folder holds
# the product (dist/), the reference converter (Ghostscript and DjVuLibre) as
# korvello.exe and the sample PDF the build made from reference/samples/sample.ps.
# Without a display it runs under Xvfb, walks through one conversion, saves
# screenshots in shots/ (or the folder given as the first argument) and prints what
# the conversion produced, as DjVuLibre's own tools see it.
set -eu
. "$(dirname "$0")/common.sh"
sh "$root/scripts/setup.sh"
configure_and_build

demo="$build/demo"
export WINEPREFIX="$build/demo-prefix"
# A front end or converter left running in the demo prefix (an earlier run stopped
# half-way) would take this run's file or hold its log: the prefix starts empty of them.
wineserver -k 2>/dev/null || true
mkdir -p "$demo"
cp "$build/dist/korvello-gui.exe" "$build/dist/langmap.txt" "$demo/"
cp "$build/reference/korvello.exe" "$demo/korvello.exe"
cp "$build/samples/sample.pdf" "$demo/sample.pdf"
rm -f "$demo/sample.djvu"

headless=
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    headless=1
fi
ensure_display
if [ ! -d "$WINEPREFIX" ]; then
    wineboot -i >/dev/null 2>&1 || true
fi
# Nothing to open the result with here: keep the run from asking the shell for a viewer.
wine reg add 'HKCU\Software\Veltrana\Korvello\GUI' /v OpenDjVuAfterConversion /t REG_DWORD /d 0 /f >/dev/null 2>&1
# Documents a stopped demo queue left unconverted would be offered first, in a question
# that takes the sheet's place: the demo converts its sample only.
wine reg delete 'HKCU\Software\Veltrana\Korvello\GUI\Queues' /f >/dev/null 2>&1 || true
cd "$demo"

if [ -z "$headless" ]; then
    wine korvello-gui.exe "$demo/sample.pdf" && code=0 || code=$?
    # A converter outlives its front end under Wine: none stays behind.
    wineserver -k 2>/dev/null || true
    exit "$code"
fi

shots="${1:-$root/shots}"
mkdir -p "$shots"
wine korvello-gui.exe "$demo/sample.pdf" &
gui=$!
snap() { sleep "$1"; import -window root "$shots/$2" && echo "screenshot: $shots/$2"; }
# Keys go to a window only once it shows: on a fresh prefix or a busy machine the sheet
# and the conversion take much longer than usual, and a key pressed early lands elsewhere
# (Return in the running progress window would press Cancel).
wait_window() { # <title pattern> <seconds>
    n=0
    while [ $n -lt $(($2 * 5)) ] && kill -0 $gui 2>/dev/null; do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
        sleep 0.2; n=$((n + 1))
    done
    return 1
}
# The converter as Wine shows its command line; it ends a moment after the DjVu file is
# in place (its working files are removed first).
converter="$(winepath -w "$demo/korvello.exe") "
converter_runs() { ps -eo args= | grep -F "$converter" | grep -qv "^grep "; }
problems=
wait_window '^Korvello Converter$' 120 || problems="$problems, the settings sheet did not show"
snap 1 demo-1-settings.png
xdotool key Return 2>/dev/null || true          # OK on the settings sheet
wait_window '^sample\.djvu - Korvello Converter$' 120 || problems="$problems, the progress window did not show"
snap 1 demo-2-running.png
# The run is over once the converter has put the DjVu file in place and ended (two
# minutes at most); only then does Return press OK rather than Cancel.
n=0
seen=
while [ $n -lt 600 ] && kill -0 $gui 2>/dev/null; do
    if converter_runs; then
        seen=1
    elif [ -n "$seen" ] || [ -f "$demo/sample.djvu" ]; then
        break
    fi
    sleep 0.2; n=$((n + 1))
done
converter_runs && problems="$problems, the converter was still running after two minutes"
snap 2 demo-3-finished.png
xdotool key Return 2>/dev/null || true          # OK on the progress dialog
i=0
while kill -0 $gui 2>/dev/null && [ $i -lt 150 ]; do sleep 0.2; i=$((i + 1)); done
if kill -0 $gui 2>/dev/null; then
    # Everything of the run ends with the prefix (its converter would outlive the front end).
    wineserver -k 2>/dev/null || true
    outcome="the front end was still running 30 s after OK; it and its converter were ended"
else
    wait $gui && code=0 || code=$?
    case $code in
    1) outcome="korvello-gui.exe exited with 1 (converted, closed with OK)" ;;
    0) outcome="korvello-gui.exe exited with 0 (no conversion of its own: its sheet was closed or it handed its file to another front end)" ;;
    *) outcome="korvello-gui.exe exited with $code" ;;
    esac
fi
echo "$outcome${problems}"
log=$(find "$WINEPREFIX/drive_c/users" -maxdepth 3 -path '*/Temp/_korvello.log' 2>/dev/null | head -n 1)
if [ -n "$log" ]; then
    echo "log: $log, $(wc -l <"$log") lines"
fi
if [ -f "$demo/sample.djvu" ]; then
    pages=$(djvused -e n "$demo/sample.djvu")
    decoded=0
    i=1
    while [ "$i" -le "$pages" ]; do
        ddjvu -format=pgm -page="$i" -scale=10 "$demo/sample.djvu" /dev/null && decoded=$((decoded + 1))
        i=$((i + 1))
    done
    echo "output: $demo/sample.djvu, $(wc -c <"$demo/sample.djvu") bytes, $pages pages (djvused), $decoded decoded (ddjvu)"
    djvudump "$demo/sample.djvu" | sed -n 2p
else
    echo "output: none"
fi
