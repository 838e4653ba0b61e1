#!/usr/bin/env bash
# Builds the Debian package from a build folder, unpacks it with dpkg -x into
# a scratch folder and runs the unpacked program: its --version, a backup of
# a generated sample checked against the sample, and a windowed start on the
# offscreen platform that opens the sample in the main window and runs it
# (the windows come from the program's private library); checks that the
# unpacked user manual has no broken link.
#   scripts/check-package.sh <build folder>
set -euo pipefail
build="$(cd "$1" && pwd)"
rm -rf "$build/package"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/package/korvane_*.deb)
echo "package: $deb"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6dbus6 libssl3 libacl1 libcap2 libqt6keychain1 libsecret-1-0; do
  [[ $depends == *"$lib "* || $depends == *"$lib" || $depends == *"$lib,"* ]] || { echo "missing dependency $lib" >&2; exit 1; }
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg -x "$deb" "$scratch/root"
korvane="$scratch/root/usr/bin/korvane"
"$korvane" --version
# The windows, TLS and the desktop's keyring and logind are libraries of
# their own in the program's private folder, which the program itself does
# not link.
for library in libkorvane-windows.so libkorvane-tls.so libkorvane-desktop.so; do
  found=$(find "$scratch/root/usr/lib" -path "*/korvane/$library")
  [[ -n $found ]] || { echo "$library is not in the package" >&2; exit 1; }
  echo "private library: ${found#"$scratch/root"}"
done
if readelf -d "$korvane" | grep -q "NEEDED.*\(libQt6Widgets\|libQt6Gui\|libQt6Network\|libssl\|libcrypto\|libqt6keychain\|libQt6DBus\)"; then
  echo "the program links a library only some runs need" >&2
  exit 1
fi
# The user manual arrives whole: every page and picture its links name.
bash "$(dirname "${BASH_SOURCE[0]}")/../tests/packaging/manual_links_test.sh" "$scratch/root/usr/share/doc/korvane"

# A home of its own and no display.
source "$(dirname "${BASH_SOURCE[0]}")/session.sh"
use_scratch_home "$scratch/home"
mkdir -p "$scratch/sample/docs/deep" "$scratch/backup"
printf 'first\n' >"$scratch/sample/one.txt"
printf 'second\n' >"$scratch/sample/docs/two.txt"
head -c 100000 /dev/urandom >"$scratch/sample/docs/deep/three.bin"
write_session "$scratch/sample.kvf" Sample "$scratch/sample" "$scratch/backup"
"$korvane" --file "$scratch/sample.kvf" --set Sample --action backup --execute --verbose </dev/null
diff -r "$scratch/sample" "$scratch/backup/sample"
echo "the unpacked package backed up the sample"

# The windowed program: past the first-run question, no update check, the
# test drive presses Execute and the summary's OK and ends the program.
rm -rf "$scratch/backup"
printf '[Info]\nVersion=%s\n\n[Settings]\nGeneral\\CheckUpdates=0\nGeneral\\WebServer=https://127.0.0.1:9\n' \
  "$("$korvane" --version | head -n 1 | awk '{print $NF}')" >"$XDG_CONFIG_HOME/Zellik Software/Korvane.conf"
DISPLAY=:korvane-package QT_QPA_PLATFORM=offscreen KORVANE_TEST_DRIVE=1 "$korvane" "$scratch/sample.kvf" \
  </dev/null >"$scratch/windowed.txt" 2>&1 || { cat "$scratch/windowed.txt"; exit 1; }
grep -q "run finished: 0" "$scratch/windowed.txt" || { cat "$scratch/windowed.txt"; exit 1; }
diff -r "$scratch/sample" "$scratch/backup/sample"
echo "the unpacked package's windows ran the sample"
