#!/bin/sh
# Installs everything the build, the tests and the screenshots need on a Debian 12
# machine, and fetches the Oniguruma sources. Idempotent and quiet; safe to rerun.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
deps="${KORVELLO_DEPS_DIR:-$here/.deps}"

if [ "$(id -u)" -eq 0 ]; then SUDO=; else SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive

packages="g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 xvfb xauth locales
fonts-noto-cjk imagemagick cmake googletest dpkg-dev x11-utils python3 xdotool nsis
ghostscript djvulibre-bin qpdf g++ clang libclang-rt-dev poppler-utils"

missing=
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done

codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")

# Source index: derive deb-src entries from the machine's own Debian entries
# (the ones that serve this release), so no host name is ever written down here.
srcfile=/etc/apt/sources.list.d/korvello-deb-src.sources
need_update=
if [ ! -f "$srcfile" ]; then
    tmp=$(mktemp)
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk -v cn="$codename" '
            BEGIN { RS=""; ORS="\n\n" }
            /(^|\n)Types:[^\n]*deb/ && $0 ~ ("Suites:[^\n]*" cn) {
                sub(/Types:[^\n]*/, "Types: deb-src"); print
            }' "$f" >>"$tmp"
    done
    if [ -f /etc/apt/sources.list ]; then
        awk -v cn="$codename" '$1=="deb" && $3 ~ ("^" cn) {
            uris=$2; suite=$3; comps=""; for (i=4;i<=NF;i++) comps=comps " " $i
            printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:%s\n\n", uris, suite, comps }' \
            /etc/apt/sources.list >>"$tmp"
    fi
    if [ -s "$tmp" ]; then
        $SUDO cp "$tmp" "$srcfile"
        $SUDO chmod 644 "$srcfile"
        need_update=1
    fi
    rm -f "$tmp"
fi

if [ -n "$missing" ] || [ -n "$need_update" ]; then
    $SUDO apt-get update -qq >/dev/null 2>&1 || $SUDO apt-get update -qq
fi
if [ -n "$missing" ]; then
    # shellcheck disable=SC2086
    $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

# The Japanese runs need a generated ja_JP.UTF-8 locale, or Wine silently stays English.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    if ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
        echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
    if ! grep -q '^en_US.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
        echo 'en_US.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
    $SUDO locale-gen >/dev/null
fi

# Oniguruma from Debian's source package, unpacked once into the deps folder.
if [ ! -f "$deps/oniguruma/CMakeLists.txt" ]; then
    mkdir -p "$deps/download"
    (cd "$deps/download" && apt-get source --download-only -qq libonig >/dev/null 2>&1 ||
        { $SUDO apt-get update -qq >/dev/null 2>&1; apt-get source --download-only -qq libonig; })
    orig=$(ls "$deps"/download/libonig_*.orig.tar.* | head -n 1)
    rm -rf "$deps/oniguruma.tmp" && mkdir -p "$deps/oniguruma.tmp"
    tar -xf "$orig" -C "$deps/oniguruma.tmp" --strip-components=1
    rm -rf "$deps/oniguruma" && mv "$deps/oniguruma.tmp" "$deps/oniguruma"
fi
