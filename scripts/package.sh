#!/bin/sh
# Builds the Windows installer (CPack with NSIS) into build/package/:
# korvello-gui-<version>-setup.exe. build/dist/ stays the ready-to-copy folder.
set -eu
. "$(dirname "$0")/common.sh"
sh "$root/scripts/setup.sh"
configure_and_build
out="$build/package"
mkdir -p "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
rm -rf "$out/_CPack_Packages"
ls "$out"/*.exe
