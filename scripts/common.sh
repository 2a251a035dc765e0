# Shared by the scripts: set-up, build, and a virtual display for Wine.
BUILD_DIR=${BUILD_DIR:-build}

ensure_setup() {
  if [[ $(id -u) -eq 0 ]]; then
    bash scripts/setup.sh
  else
    bash scripts/setup.sh || { echo "run scripts/setup.sh as root first" >&2; exit 1; }
  fi
}

configure_and_build() {
  if [[ -f $BUILD_DIR/CMakeCache.txt ]]; then
    cmake -S . -B "$BUILD_DIR" >/dev/null
  else
    cmake -S . -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
  fi
  cmake --build "$BUILD_DIR" -j2
}

# Xvfb on a free display; Wine's server for the build's prefix is started
# after it, so that its desktop sees the display.
start_virtual_display() {
  local number=90
  while [[ -e /tmp/.X11-unix/X$number || -e /tmp/.X$number-lock ]]; do number=$((number + 1)); done
  Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$number"
  for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$number ]] && break; sleep 0.1; done
  start_wine
}

# A persistent Wine server for the build's prefix, with its background
# services started here: services started by a test would keep that test's
# output pipe open, and CTest would wait for them.
start_wine() {
  local prefix=$PWD/$BUILD_DIR/wineprefix
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
  # A new prefix is made by the first program run in it (see winerun), and
  # the drives linked then are seen only by services started afterwards.
  if [[ ! -f $prefix/.initialized ]]; then
    "$BUILD_DIR/winerun" wineboot </dev/null >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
  fi
  mkdir -p "$prefix"
  WINEPREFIX=$prefix wineserver -p
  "$BUILD_DIR/winerun" wineboot </dev/null >/dev/null 2>&1
}

stop_virtual_display() {
  WINEPREFIX="$PWD/$BUILD_DIR/wineprefix" wineserver -k 2>/dev/null || true
  WINEPREFIX="$PWD/$BUILD_DIR/wineprefix" wineserver -w 2>/dev/null || true
  kill "$XVFB_PID" 2>/dev/null || true
}
