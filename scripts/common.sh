# Shared by the scripts: build folder, Wine prefix and an X display.
root=$(cd "$(dirname "$0")/.." && pwd)
build="${KORVELLO_BUILD_DIR:-$root/build}"
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

configure_and_build() {
    cmake -S "$root" -B "$build" -G "Unix Makefiles" \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
        -DCMAKE_BUILD_TYPE="${KORVELLO_BUILD_TYPE:-Release}" >/dev/null
    cmake --build "$build" -j"$(nproc)" -- --no-print-directory
}

# Starts Xvfb on a free display when there is no display, and stops it on exit.
ensure_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
    n=99
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    i=0
    while [ ! -e "/tmp/.X11-unix/X$n" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
    # The prefix's processes end first, while their display is still there.
    trap 'wineserver -k 2>/dev/null; kill $xvfb_pid 2>/dev/null || true' EXIT INT TERM
}

# A fresh prefix: the registry of every test run starts empty.
fresh_prefix() {
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -p 2>/dev/null || true
}
