# Shared by scripts/setup, scripts/test, scripts/demo, scripts/bench and scripts/soak. Source it.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# DM_BUILD_ROOT lets several people (or helpers) build side by side without sharing a prefix.
BUILD_ROOT=${DM_BUILD_ROOT:-$ROOT/build}
WIN_BUILD="$BUILD_ROOT/windows"
NATIVE_BUILD="$BUILD_ROOT/native"
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="$WIN_BUILD/wineprefix"

PACKAGES=(wine wine32:i386 g++-mingw-w64-i686 xvfb xauth x11-utils imagemagick cmake ninja-build
          clang libclang-rt-14-dev googletest libbenchmark-dev libssl-dev)

log() { printf '== %s\n' "$*" >&2; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then as_root dpkg --add-architecture i386; fi
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

build_windows() {
  log "building Driftmarrow.exe, the stand-in control and the tests (MinGW-w64 i686)"
  cmake --preset windows -S "$ROOT" -B "$WIN_BUILD" >/dev/null
  cmake --build "$WIN_BUILD"
}

build_native() {
  log "building the portable core natively (clang, sanitizers, fuzzers)"
  cmake --preset native -S "$ROOT" -B "$NATIVE_BUILD" -DDM_LOADER_SEEDS="$WIN_BUILD/fuzz-seeds/loader" >/dev/null
  cmake --build "$NATIVE_BUILD"
}

# The build's Wine prefix, with the stand-in Flash Player control registered in it.
prepare_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "creating the Wine prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  # Wine's OpenGL presentation of exclusive full screen hangs moving child windows under Xvfb.
  wine reg add 'HKCU\Software\Wine\Direct3D' /v renderer /t REG_SZ /d gdi /f >/dev/null 2>&1
  # AppData follows the variable DM_APPDATA (by default the usual folder), so that each end-to-end
  # run of the host can be given a data folder of its own. The default goes in first.
  wine reg add 'HKCU\Environment' /v DM_APPDATA /t REG_SZ /d 'C:\users\'"$(id -un)"'\AppData\Roaming' /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' /v AppData \
    /t REG_EXPAND_SZ /d '%DM_APPDATA%' /f >/dev/null 2>&1
  local standin="$WIN_BUILD/standin/FlashStandin.ocx"
  if [ -f "$standin" ]; then
    # A short fixed path: the registry value must stay well below the 130 characters a reader accepts.
    cp "$standin" "$WINEPREFIX/drive_c/windows/system32/FlashStandin.ocx"
    wine regsvr32 /s 'C:\windows\system32\FlashStandin.ocx' >/dev/null 2>&1
    wineserver -w
  fi
}

XVFB_PID=
# Starts a private X server unless one is given; records its display for the Wine wrapper.
start_xvfb() {
  local width=${1:-1280} height=${2:-1024}
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xvfb ":$n" -screen 0 "${width}x${height}x24" -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  export DISPLAY=":$n"
  echo "$DISPLAY" > "$WIN_BUILD/xvfb-display"
}

stop_xvfb() {
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -f "$WIN_BUILD/xvfb-display"
}

# Starts the Wine server and its services outside of CTest's pipes, so no test waits on them.
warm_wine() {
  wineserver -p >/dev/null 2>&1 &
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

stop_wine() {
  wineserver -k >/dev/null 2>&1 || true
}
