#!/bin/bash
# Builds everything and runs every test under Wine on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

ensure_setup
configure_and_build
start_virtual_display
trap stop_virtual_display EXIT
# A test whose process dies or hangs is run once more: under qemu's user-mode
# emulation (see scripts/setup.sh), Wine itself now and then does.
ctest --test-dir "$BUILD_DIR" --output-on-failure -j2 --repeat until-pass:2 "$@"
