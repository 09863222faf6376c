#!/bin/sh
# Runs a Windows program under Wine, in the build tree's private prefix when one
# is given with --prefix. Used by CTest as the cross-compiling emulator.
if [ "${1:-}" = --prefix ]; then
    WINEPREFIX="$2"
    export WINEPREFIX
    shift 2
fi
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
