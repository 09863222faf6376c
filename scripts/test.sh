#!/bin/sh
# Builds everything and runs every test under Wine (with Xvfb when there is no display).
set -eu
. "$(dirname "$0")/common.sh"
sh "$root/scripts/setup.sh"
configure_and_build
ensure_display
fresh_prefix
cd "$build"
ctest --output-on-failure -j"$(nproc)" "$@"
