#!/usr/bin/env bash
# Installs what Korvane needs to build, test and run on Debian 12; does
# nothing when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev libgl-dev
  libssl-dev libacl1-dev libcap-dev zlib1g-dev
  qtkeychain-qt6-dev libsecret-1-0
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev libfuzzer-14-dev
  rsync time ccache
  dpkg-dev file librsvg2-bin desktop-file-utils appstream
  e2fsprogs
  xvfb xauth openbox x11-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
