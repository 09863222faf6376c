#!/bin/sh
# Screenshots of every dialog template in English and Japanese, plus a layout report.
#
#   scripts/screenshots.sh [--dpi N] [output folder]      (default: <repo>/shots)
#
# --dpi N shows the dialogs at N dots per inch (96 is 100%, 144 is 150%, 192 is 200%):
# Wine's LogPixels in a prefix of its own (build/wineprefix-dpiN), so the tests' prefix
# keeps its own; the file names then end in -N.
#
# Builds the dialog viewer when needed (KORVELLO_BUILD_DIR selects the build folder),
# starts Xvfb when there is no display, runs the viewer for each template and language,
# and saves <template>-<language>.png (cropped to the window) and layout-<language>.txt
# (captions that do not fit, controls that overlap; empty when all is well).
set -eu
. "$(dirname "$0")/common.sh"

dpi=
if [ "${1:-}" = --dpi ]; then
    dpi=${2:?--dpi needs a number}
    shift 2
fi
out="${1:-$root/shots}"
mkdir -p "$out"
out=$(cd "$out" && pwd)

viewer="$build/tools/dialogviewer/dialogviewer.exe"
if [ ! -f "$build/CMakeCache.txt" ]; then
    sh "$root/scripts/setup.sh"
    cmake -S "$root" -B "$build" -G "Unix Makefiles" \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
        -DCMAKE_BUILD_TYPE="${KORVELLO_BUILD_TYPE:-Release}" >/dev/null
fi
cmake --build "$build" --target dialogviewer -- --no-print-directory >/dev/null

ensure_display
suffix=
if [ -n "$dpi" ]; then
    export WINEPREFIX="$build/wineprefix-dpi$dpi"
    suffix="-$dpi"
fi
if [ ! -d "$WINEPREFIX" ]; then
    wineboot -i >/dev/null 2>&1 || true
fi
if [ -n "$dpi" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wineserver -k 2>/dev/null || true # the desktop restarts with the new setting
fi
wineserver -p 2>/dev/null || true

work=$(mktemp -d)
trap 'rm -rf "$work"; [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null; true' EXIT INT TERM

shoot() { # <template> <language tag> <LANG value>
    template=$1
    tag=$2
    rm -f "$work/rect" "$work/check"
    LANG=$3 LC_ALL=$3 wine "$viewer" "$template" --rect "Z:$work/rect" --check "Z:$work/check" \
        --exit-after 6000 >/dev/null 2>&1 &
    viewer_pid=$!
    i=0
    while [ ! -s "$work/rect" ] && [ $i -lt 200 ]; do sleep 0.1; i=$((i + 1)); done
    sleep 1 # let the animation and the list paint
    if [ -s "$work/rect" ]; then
        set -- $(cat "$work/rect")
        import -window root -crop "${3}x${4}+${1}+${2}" +repage "$out/$template-$tag$suffix.png"
        echo "$out/$template-$tag$suffix.png (${3}x${4})"
        if [ -s "$work/check" ]; then
            sed "s/^/$template: /" "$work/check" >> "$out/layout-$tag$suffix.txt"
        fi
    else
        echo "template $template ($tag): the viewer showed no window" >&2
    fi
    wait "$viewer_pid" || true
}

for tag in en ja; do
    : > "$out/layout-$tag$suffix.txt"
done
for template in 107 108 109 103 111 110 112 113; do
    shoot "$template" en en_US.UTF-8
    shoot "$template" ja ja_JP.UTF-8
done
for tag in en ja; do
    if [ -s "$out/layout-$tag$suffix.txt" ]; then
        echo "layout findings ($tag):"
        cat "$out/layout-$tag$suffix.txt"
    fi
done
