#!/usr/bin/env bash
# Builds Korvane and shows it at work on a generated sample.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_TESTS=OFF
./build/src/korvane
