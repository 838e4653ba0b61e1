#!/usr/bin/env bash
# Runs every test: the normal build, the sanitizer builds and the fuzz targets.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/deps.sh
# A secret service and a bus of its own for the keyring round-trip test; a
# desktop brings its own, so the program does not depend on them.
for p in gnome-keyring dbus-daemon; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends gnome-keyring dbus-daemon
    break
  fi
done

export QT_QPA_PLATFORM=offscreen
fuzz_seconds="${KORVANE_FUZZ_SECONDS:-20}"

echo "== build and test"
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_TESTS=ON
ctest --test-dir build --output-on-failure -j2

echo "== Debian package: build, unpack, run"
bash scripts/check-package.sh build

echo "== server build without windows"
bash scripts/build.sh build-nogui -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_TESTS=OFF -DKORVANE_GUI=OFF
if ldd build-nogui/src/korvane | grep -q "libQt6Widgets\|libQt6Gui"; then
  echo "the build without windows links a widget library" >&2
  exit 1
fi

echo "== sanitizer build and test"
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON -DKORVANE_TESTS=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j2

echo "== thread sanitizer build and test"
bash scripts/build.sh build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_TSAN=ON -DKORVANE_TESTS=ON
# Qt comes from Debian, not built with ThreadSanitizer: its own memory
# accesses cannot be judged, so only calls from Korvane's code are checked.
TSAN_OPTIONS="ignore_noninstrumented_modules=1 second_deadlock_stack=1 suppressions=$root/tests/tsan.supp" \
  ctest --test-dir build-tsan --output-on-failure -j2

echo "== fuzz targets (${fuzz_seconds}s each)"
CC=clang CXX=clang++ cmake -S "$root" -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DKORVANE_FUZZ=ON -DKORVANE_SANITIZE=ON >/dev/null
targets=$(for f in tests/fuzz/fuzz_*.cpp; do [ -e "$f" ] && basename "$f" .cpp; done)
if [ -n "$targets" ]; then
  cmake --build build-fuzz -j2 --target $targets
  for t in $targets; do
    corpus="build-fuzz/corpus/$t"
    mkdir -p "$corpus"
    seeds="tests/fuzz/seeds/${t#fuzz_}"
    [ -d "$seeds" ] || seeds=""
    echo "-- $t"
    "build-fuzz/tests/fuzz/$t" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=0 "$corpus" $seeds 2>&1 | tail -n 3
  done
fi

echo "== all tests passed"
