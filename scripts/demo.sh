#!/usr/bin/env bash
# Builds Korvane and shows it at work on a generated sample: a backup with
# its progress bar and summary, a second backup after some changes, and a
# restore of the lost sample, checked against a copy.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/deps.sh
bash scripts/build.sh build-demo -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_TESTS=OFF
korvane="$root/build-demo/src/korvane"

demo="$root/build-demo/demo"
rm -rf "$demo"
mkdir -p "$demo/sample" "$demo/backup"
# A home of its own keeps the demo away from your settings; no display, so
# everything shows on the terminal.
source scripts/session.sh
use_scratch_home "$demo/home"

echo "== generating a sample in $demo/sample"
for d in documents photos/2025 photos/2026 music/albums/live projects/korvane/src; do
  mkdir -p "$demo/sample/$d"
done
for i in $(seq 1 40); do
  printf 'Report %d\nWritten for the Korvane demo.\n' "$i" >"$demo/sample/documents/report-$i.txt"
done
for i in $(seq 1 25); do
  head -c $((20000 + i * 3000)) /dev/urandom >"$demo/sample/photos/2025/img_$i.jpg"
  head -c $((15000 + i * 2000)) /dev/urandom >"$demo/sample/photos/2026/img_$i.jpg"
done
for i in $(seq 1 8); do head -c 400000 /dev/urandom >"$demo/sample/music/albums/live/track-$i.ogg"; done
for i in $(seq 1 12); do printf 'int f%d() { return %d; }\n' "$i" "$i" >"$demo/sample/projects/korvane/src/f$i.cpp"; done
printf 'scratch\n' >"$demo/sample/documents/draft.tmp"   # left out by the exclude mask

write_session "$demo/demo.kvf" Sample "$demo/sample" "$demo/backup" "*.tmp"
cat >"$demo/home/.config/Zellik Software/Korvane.conf" <<CONF
[Settings]
General\\LogActivate=1
General\\LogFileName=$demo/activity.log
Actions\\DisplayError=0
CONF

run() {
  echo
  echo "\$ korvane $*"
  set +e
  "$korvane" "$@" </dev/null
  local status=$?
  set -e
  echo "(exit status $status)"
}

echo
echo "== first backup"
run /f "$demo/demo.kvf" /s Sample /a backup /e /v

echo
echo "== a second backup after changing two files and adding one"
printf 'Report 1, revised.\n' >"$demo/sample/documents/report-1.txt"
printf 'int f12() { return 144; }\n' >"$demo/sample/projects/korvane/src/f12.cpp"
printf 'New notes\n' >"$demo/sample/documents/notes.txt"
run /f "$demo/demo.kvf" /s sample /a Backup /e /v

echo
echo "== the sample is lost; restore it"
cp -a "$demo/sample" "$demo/reference"
rm -rf "$demo/sample"
run /f "$demo/demo.kvf" /s Sample /a restore /e /v
rm -f "$demo/reference/documents/draft.tmp"
if diff -r "$demo/reference" "$demo/sample" >/dev/null; then
  echo "restored sample matches the original"
else
  echo "restored sample differs from the original" >&2
  exit 1
fi

echo
echo "== the activity log ($demo/activity.log)"
tail -n +3 "$demo/activity.log" | cut -f2-
