#!/bin/bash
# The main job: builds everything, then the demo host loads Zorvane.plg under
# Wine and runs it in the sample folder (or the Windows folder named as the
# first argument), on this display. Without a display it runs on a virtual
# one, saves a screenshot of the dialog, picks the first five files and presses OK.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

ensure_setup
configure_and_build >/dev/null
root=$PWD
folder=${1:-Z:${root//\//\\}\\samples}
cd "$BUILD_DIR/bin"

if [[ -n ${DISPLAY:-} ]] && xdpyinfo >/dev/null 2>&1; then
  exec ../winerun DemoHost.exe "$folder"
fi

cd "$root"
start_virtual_display
trap stop_virtual_display EXIT
screenshot=$root/$BUILD_DIR/demo-screenshot.png
(cd "$BUILD_DIR/bin" && ../winerun DemoHost.exe "$folder") &
host=$!
dialog=
for _ in $(seq 120); do
  dialog=$(xdotool search --onlyvisible --name 'ｿﾞﾙｳﾞｪｲﾝ' 2>/dev/null | head -1) && [[ -n $dialog ]] && break
  sleep 0.5
done
if [[ -z $dialog ]]; then
  echo "demo: the dialog did not appear" >&2
  kill "$host" 2>/dev/null || true
  exit 1
fi
sleep 2
import -window root "$screenshot"
echo "screenshot of the dialog: $screenshot"
# Click the first file, Shift-click the fifth, then OK (positions within the dialog's window).
xdotool mousemove --window "$dialog" 200 41 click 1 sleep 0.5 \
        keydown shift mousemove --window "$dialog" 200 109 click 1 keyup shift sleep 0.5 \
        mousemove --window "$dialog" 205 273 click 1
wait "$host"
