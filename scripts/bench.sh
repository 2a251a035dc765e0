#!/bin/bash
# Builds everything and runs the benchmarks on a virtual display:
# scripts/bench.sh [N]  (N matching and N other files; default 10000).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

ensure_setup
configure_and_build >/dev/null
start_virtual_display
trap stop_virtual_display EXIT
cd "$BUILD_DIR/bin"
../winerun read_files_bench.exe "${1:-10000}" 2> >(grep -v 'Read access denied' >&2)
