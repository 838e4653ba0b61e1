#!/usr/bin/env bash
# Times Korvane's backup against `rsync -a --delete` on synthetic trees:
# (a) the first full copy, (b) a pass with nothing changed, (c) a pass after
# 1% of the files changed; plus `cp -a` for the first copy and the floor, a
# walk that only lists and stats both trees on two threads. Prints the ratios
# Korvane/rsync and the peak memory of both (rsync's processes added).
#
#   bench/backup_vs_rsync.sh [work folder]     (default: <repo>/build-bench-data)
#
# The work folder must be on a disk, not in memory: tmpfs would flatter both.
# Runs are made with a warm page cache, the same for every tool.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="${1:-$root/build-bench-data}"
build="${KORVANE_BENCH_BUILD:-$root/build-bench}"
mkdir -p "$work"

fstype="$(stat -f -c %T "$work")"
case "$fstype" in
  tmpfs|ramfs) echo "$work is on $fstype; give a folder on a disk" >&2; exit 1 ;;
esac
for tool in rsync /usr/bin/time python3 cmake; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

echo "== building korvane and the scan-only walk (Release) in $build"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release \
  -DKORVANE_BENCH=ON -DKORVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target korvane bench_backup >/dev/null
bench="$build/bench/bench_backup"
korvane="$build/src/korvane"

# The real program runs the backup, as a cron job would: a session file with
# one entry, a home of its own whose settings delete what vanished (like
# rsync --delete) and never ask.
home="$work/home"
rm -rf "$home"
mkdir -p "$home/.config/Zellik Software" "$home/run"
chmod 700 "$home/run"
printf '[Settings]\nActions\\BackupDelete=1\nActions\\BackupTrash=0\nActions\\DisplayError=0\n' \
  >"$home/.config/Zellik Software/Korvane.conf"
korvane_backup() { # korvane_backup <session file>
  exec env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
      XDG_RUNTIME_DIR="$home/run" TMPDIR="$home" DISPLAY= WAYLAND_DISPLAY= \
      "$korvane" /f "$1" /s Bench /a backup /e
}
export -f korvane_backup
export home korvane

# write_session <file> <source folder> <backup folder>
write_session() {
  cat >"$1" <<KVF
<?xml version="1.0"?>
<SESSION version="003">
<ACTIVESET>0</ACTIVESET>
<SET>
<NAME>Bench</NAME>
<ACTIVEACTION>0</ACTIVEACTION>
<LASTDESTINATIONFOLDER/>
<BACKUP>
<SOURCEFOLDER>$2</SOURCEFOLDER>
<DESTINATIONFOLDER>$3</DESTINATIONFOLDER>
<EXCLUDEFOLDERS/>
<INCLUDEFILES>*.*</INCLUDEFILES>
<EXCLUDEFILES/>
<RECURSIVE>1</RECURSIVE>
</BACKUP>
</SET>
</SESSION>
KVF
}

# measure <label> <command...>: wall seconds and the summed peak RSS (VmHWM)
# of the command and every process it starts, sampled every 10 ms, next to
# /usr/bin/time -v's own figures. Prints "seconds kib".
measure() {
  python3 - "$@" <<'PY'
import os, subprocess, sys, time, re
cmd = ["/usr/bin/time", "-v"] + sys.argv[1:]
start = time.monotonic()
p = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
peaks = {}
def children(pid):
    out = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            if int(fields[1]) == pid:
                out.append(int(entry))
        except OSError:
            pass
    return out
def sample():
    todo = children(p.pid)  # /usr/bin/time's children: the tool and its helpers
    while todo:
        pid = todo.pop()
        try:
            with open(f"/proc/{pid}/status") as f:
                m = re.search(r"VmHWM:\s+(\d+)", f.read())
            if m:
                peaks[pid] = max(peaks.get(pid, 0), int(m.group(1)))
        except OSError:
            pass
        todo.extend(children(pid))
while p.poll() is None:
    sample()
    time.sleep(0.01)
err = p.stderr.read()
wall = time.monotonic() - start
m = re.search(r"Elapsed \(wall clock\) time.*: (?:(\d+):)?(\d+):([\d.]+)", err)
if m:
    wall = int(m.group(1) or 0) * 3600 + int(m.group(2)) * 60 + float(m.group(3))
rss = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", err).group(1))
print(f"{wall:.3f} {max(sum(peaks.values()), rss)}")
PY
}

# make_tree <folder> <folders> <files per folder> <min size> <max size>
make_tree() {
  python3 - "$@" <<'PY'
import os, random, sys
top, folders, per, lo, hi = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
rnd = random.Random(42)
block = os.urandom(1 << 20)
for d in range(folders):
    folder = os.path.join(top, f"group{d // 100:03d}", f"folder{d:05d}")
    os.makedirs(folder, exist_ok=True)
    for f in range(per):
        size = rnd.randint(lo, hi)
        offset = rnd.randint(0, len(block) - size)
        with open(os.path.join(folder, f"file{f:05d}.dat"), "wb") as out:
            out.write(block[offset:offset + size])
PY
}

# change_one_percent <folder>: new contents and a new time for every 100th file.
change_one_percent() {
  python3 - "$1" <<'PY'
import os, sys, time
paths = sorted(os.path.join(d, f) for d, _, fs in os.walk(sys.argv[1]) for f in fs)
now = time.time() + 10
for path in paths[::100]:
    with open(path, "ab") as out:
        out.write(b"changed")
    os.utime(path, (now, now))
print(len(paths[::100]))
PY
}

ratio() { python3 -c "import sys; a, b = float(sys.argv[1]), float(sys.argv[2]); print(f'{a / b:.2f}' if b else '-')" "$1" "$2"; }

run_case() {
  local name="$1" folders="$2" per="$3" lo="$4" hi="$5"
  local base="$work/$name"
  rm -rf "$base"
  mkdir -p "$base/src" "$base/korvane" "$base/rsync"
  echo
  echo "== $name: $((folders * per)) files in $folders folders, $lo..$hi bytes each, on $(stat -f -c %T "$base")"
  make_tree "$base/src/data" "$folders" "$per" "$lo" "$hi"
  write_session "$base/bench.kvf" "$base/src/data" "$base/korvane"
  sync

  printf "%-22s %10s %10s %8s %12s %12s %8s\n" pass "korvane s" "rsync s" ratio "korvane KiB" "rsync KiB" ratio
  local k r
  for pass in first unchanged "1% changed"; do
    if [ "$pass" = "1% changed" ]; then
      change_one_percent "$base/src/data" >/dev/null
      sync
    fi
    read -r ks kk < <(measure bash -c 'korvane_backup "$0"' "$base/bench.kvf")
    read -r rs rk < <(measure rsync -a --delete "$base/src/data/" "$base/rsync/data/")
    printf "%-22s %10s %10s %8s %12s %12s %8s\n" "$pass" "$ks" "$rs" "$(ratio "$ks" "$rs")" "$kk" "$rk" "$(ratio "$kk" "$rk")"
    if [ "$pass" = first ]; then
      read -r cs ck < <(measure cp -a "$base/src/data" "$base/cp")
      first_cp="$cs"; first_k="$ks"
    fi
    [ "$pass" = unchanged ] && unchanged_k="$ks" && unchanged_r="$rs"
  done
  read -r fs fk < <(measure "$bench" --scan-only "$base/src/data" "$base/korvane")
  echo "cp -a first copy: ${first_cp} s (korvane/cp -a $(ratio "$first_k" "$first_cp"))"
  echo "floor (list and stat both trees, two threads): ${fs} s, ${fk} KiB;" \
       "unchanged pass: korvane $(ratio "$unchanged_k" "$fs") x floor, rsync $(ratio "$unchanged_r" "$fs") x floor"
  if ! diff -r "$base/src/data" "$base/korvane/data" >/dev/null; then
    echo "!! the Korvane backup differs from the source" >&2
    exit 1
  fi
  rm -rf "$base"
}

if [ -n "${KORVANE_BENCH_QUICK:-}" ]; then   # a smoke run of the script itself
  run_case "quick-2k" 100 20 1 4096
  exit 0
fi
run_case "tree-20k" 1000 20 1 65536
run_case "small-100k" 1000 100 1 2048
