#!/bin/bash
# Builds everything and runs the benchmarks on a virtual display, printing one
# table: opening folders of 1,000, 10,000 and 50,000 images (and as many other
# files) against the system's own searches, closing, the hand-off of 10,000
# files, memory, 1,000 runs in one process, and the module's size and load
# cycles. Takes several minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

ensure_setup
configure_and_build >/dev/null
start_virtual_display
FIXTURES=$(mktemp -d /tmp/zorvane-bench.XXXXXX)
trap 'stop_virtual_display; rm -rf "$FIXTURES"' EXIT
# Made from the Unix side: through Wine every new file of a large folder
# costs a scan of the folder, and 100,000 files took most of an hour.
for n in 1000 10000 50000; do /usr/bin/python3 bench/make_fixture.py "$FIXTURES/n$n" "$n"; done
/usr/bin/python3 bench/make_fixture.py "$FIXTURES/soak" 150

# The folder as Wine sees it: its drive Z: is the Unix root.
windows_path() { local path=$1; echo "Z:${path//\//\\}"; }
bench() { ../winerun plugin_bench.exe "$@" 2> >(grep -v 'Read access denied' >&2); }

cd "$BUILD_DIR/bin"
echo "| measure | figure | target | |"
echo "|---|---|---|---|"
for n in 1000 10000 50000; do bench opening "$(windows_path "$FIXTURES/n$n")"; done
bench handoff "$(windows_path "$FIXTURES/n10000")"
bench memory "$(windows_path "$FIXTURES/n50000")"
bench soak "$(windows_path "$FIXTURES/soak")" 1000
bench module 100
