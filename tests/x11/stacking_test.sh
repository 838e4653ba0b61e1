#!/usr/bin/env bash
# Starts Xvfb and openbox, and runs the stacking check under them:
# stacking_test.sh <korvane_stacking_check>. Exits 77 (skipped) where the
# X server, the window manager or xprop is missing.
set -uo pipefail
check="$1"
for tool in Xvfb openbox xprop; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed"
    exit 77
  fi
done

scratch="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

# A loaded machine (a sanitizer build's tests beside it) can take seconds to
# bring the server up; one that never answers is the machine's fault, not a
# stacking fault, and skips.
ready() {
  for _ in $(seq 1 300); do "$@" && return 0; sleep 0.1; done
  return 1
}
# The server picks a free display itself and names it: two tests choosing
# the same free number at once would otherwise race for it.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
if ! ready test -s "$scratch/display"; then
  echo "skipped: Xvfb named no display"; cat "$scratch/xvfb.log"
  exit 77
fi
export DISPLAY=":$(head -n1 "$scratch/display")"
if ! ready xprop -root -display "$DISPLAY" _NET_SUPPORTED >/dev/null 2>&1; then
  echo "skipped: Xvfb did not answer on $DISPLAY"; cat "$scratch/xvfb.log"
  exit 77
fi
export HOME="$scratch" XDG_CONFIG_HOME="$scratch/.config" XDG_CACHE_HOME="$scratch/.cache"
export XDG_RUNTIME_DIR="$scratch/run" TMPDIR="$scratch"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY
openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
pids+=($!)
# The manager is up once it has published its own window.
managed() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
if ! ready managed; then
  echo "skipped: openbox did not start"; cat "$scratch/openbox.log"
  exit 77
fi

# The X libraries and fontconfig keep caches for the life of the process,
# which a sanitizer build's leak check would report as Korvane's.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
QT_QPA_PLATFORM=xcb timeout 60 "$check"
status=$?
if [ "$status" -ne 0 ]; then
  echo "--- openbox"; cat "$scratch/openbox.log"
fi
exit "$status"
