#!/bin/bash
# Builds everything, then the demo host loads Zorvane.plg under Wine and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

ensure_setup
configure_and_build >/dev/null
if [[ -z ${DISPLAY:-} ]] || ! xdpyinfo >/dev/null 2>&1; then
  start_virtual_display
  trap stop_virtual_display EXIT
fi
cd "$BUILD_DIR/bin"
../winerun DemoHost.exe "$@"
