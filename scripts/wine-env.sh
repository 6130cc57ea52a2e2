# Sourced by the test, demo and benchmark scripts: builds the project, then
# starts a headless X server and a fresh Wine prefix inside the build folder,
# and stops both when the calling script exits.
set -euo pipefail

OSTREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$OSTREL_ROOT/build}
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR=$OSTREL_ROOT/$BUILD_DIR ;; esac

ostrel_build() {
  bash "$OSTREL_ROOT/scripts/setup.sh"
  cmake -S "$OSTREL_ROOT" -B "$BUILD_DIR" \
        -DCMAKE_TOOLCHAIN_FILE="$OSTREL_ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE:-RelWithDebInfo} >/dev/null
  cmake --build "$BUILD_DIR" -j"$(nproc)" "$@"
}

OSTREL_XVFB_PID=
ostrel_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "$OSTREL_XVFB_PID" ]; then kill "$OSTREL_XVFB_PID" >/dev/null 2>&1 || true; fi
}

# ostrel_start_wine [WIDTHxHEIGHT]
ostrel_start_wine() {
  local screen=${1:-1920x1080}
  trap ostrel_stop EXIT
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "${screen}x24" -nolisten tcp >/dev/null 2>&1 &
  OSTREL_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done

  export WINEPREFIX="$BUILD_DIR/wineprefix"
  export WINEARCH=win64
  export WINEDEBUG=${WINEDEBUG:--all}
  # No Mono or Gecko: wineboot would otherwise open a download dialog.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -p >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 &
  # A desktop folder of our own: tests fill it with files that become icons.
  local desktop="$WINEPREFIX/drive_c/users/$(id -un)/Desktop"
  rm -rf "$desktop"; mkdir -p "$desktop"
  export OSTREL_DESKTOP_DIR=$desktop
}
