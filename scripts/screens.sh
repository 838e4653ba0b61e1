#!/usr/bin/env bash
# Opens every window of Korvane with sample data on a real X server (Xvfb)
# and saves one picture per window under build-screens/ (and the same at
# twice the scale under build-screens/scale2/, and in dark colours under
# build-screens/dark/). Not part of the test run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/deps.sh
for p in xvfb xauth fonts-dejavu-core; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq && $sudo apt-get install -y -qq --no-install-recommends "$p"
  fi
done
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B build-screens/build -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKORVANE_TESTS=ON >/dev/null
cmake --build build-screens/build -j2 --target korvane_screens

out="$root/build-screens"
home="$out/home"
rm -rf "$home" "$out"/*.png "$out/scale2" "$out/dark" "$out/sample"
mkdir -p "$home/.config" "$home/run"
chmod 700 "$home/run"
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
export XDG_CACHE_HOME="$home/.cache" XDG_STATE_HOME="$home/.local/state" XDG_RUNTIME_DIR="$home/run" TMPDIR="$home"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

# A display number no other server holds.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 3200x2400x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
export DISPLAY=":$display"

build-screens/build/tests/korvane_screens "$out"
QT_SCALE_FACTOR=2 build-screens/build/tests/korvane_screens "$out/scale2"
KORVANE_SCREENS_DARK=1 build-screens/build/tests/korvane_screens "$out/dark"
echo "pictures in $out"
