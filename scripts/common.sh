# Shared by scripts/test and scripts/demo: installs what is missing, builds, and prepares Wine.
# Source it; it defines functions only.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${CUSTOR_BUILD_DIR:-$root/build}"
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all

need_packages() {
  local missing=()
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64-posix)
  [ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
  command -v wineserver >/dev/null || missing+=(wine)
  command -v Xvfb >/dev/null || missing+=(xvfb)
  command -v xauth >/dev/null || missing+=(xauth)
  command -v cmake >/dev/null || missing+=(cmake)
  [ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
  command -v socat >/dev/null || missing+=(socat)
  command -v xwd >/dev/null || missing+=(x11-apps)
  command -v makensis >/dev/null || missing+=(nsis)
  command -v rrdtool >/dev/null || missing+=(rrdtool)
  command -v rsync >/dev/null || missing+=(rsync)
  [ -x /usr/bin/convert ] && /usr/bin/convert -version >/dev/null 2>&1 || missing+=(imagemagick)
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
}

build_all() {
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
  cmake --build "$build" -j"$(nproc)" -- --no-print-directory
}

# Starts a private X server for Wine's windows; sets DISPLAY. Kills it on exit of the caller.
start_xvfb() {
  local n
  for n in 91 92 93 94 95 96 97 98 99; do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
    export DISPLAY=":$n"
    return 0
  done
  echo "no free X display" >&2
  return 1
}

# A persistent wineserver makes each Wine process start in a fraction of a second.
start_wine() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Preparing the Wine prefix (once, about 15 s)..."
    WINEDLLOVERRIDES="mscoree,mshtml=" /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  # Exits with 2 when a server for the prefix already runs; that one serves as well.
  wineserver -p || true
  # Wine's own background processes (services, device drivers) start with the first program
  # and keep its output open; start them here so a test's output pipe closes when it ends.
  /usr/lib/wine/wine64 wineboot >/dev/null 2>&1 </dev/null
}

stop_all() {
  wineserver -k 2>/dev/null
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  return 0
}
