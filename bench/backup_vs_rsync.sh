#!/usr/bin/env bash
# Times Korvane's backup against `rsync -a --delete` on synthetic trees:
# (a) the first full copy, (b) a pass with nothing changed, (c) a pass after
# a 1% change (touched, rewritten, appended, deleted and added files and a
# renamed folder); plus `cp -a` for the first copy and the floor, a walk that
# only lists and stats both trees on two threads. Every pass is repeated and
# the medians compared; Korvane's copy is checked faithful after every pass
# (paths, types, modes, sizes, modification times of files and folders,
# contents, link targets). Prints the ratios of wall time, of CPU time (user
# + system) and of peak memory (rsync's processes added).
#
#   bench/backup_vs_rsync.sh [work folder]     (default: <repo>/build-bench-data)
#   KORVANE_BENCH_REPEATS=n (default 3), KORVANE_BENCH_QUICK=1 for a smoke run
#   KORVANE_BENCH_BASELINE=<folder holding an earlier korvane and bench_backup>
#     also times that build in the same runs, on a backup of its own
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
korvane_backup() { # korvane_backup <session file> [korvane binary]
  exec env KORVANE_LOCK_DIR="$home/run" HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
      XDG_RUNTIME_DIR="$home/run" TMPDIR="$home" DISPLAY= WAYLAND_DISPLAY= \
      "${2:-$korvane}" /f "$1" /s Bench /a backup /e
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

# measure <command...>: wall seconds, the summed peak RSS (VmHWM) of the
# command and every process it starts, sampled every 10 ms, next to
# /usr/bin/time -v's own figures, and the CPU seconds (user + system) of all
# of them, which a busy machine disturbs far less than the wall time.
# Prints "seconds kib cpu-seconds".
measure() {
  python3 - "$@" <<'PY'
import os, subprocess, sys, threading, time, re
cmd = ["/usr/bin/time", "-v"] + sys.argv[1:]
start = time.monotonic()
p = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
# /usr/bin/time gives the wall time in hundredths, too coarse for passes of a
# tenth of a second, and the sampling loop below would see the end up to
# 10 ms late: a thread of its own notes the end as it happens.
ended = []
def wait_for_end():
    err = p.stderr.read()
    p.wait()
    ended.extend((time.monotonic(), err))
sys.setswitchinterval(0.0005)
waiter = threading.Thread(target=wait_for_end)
waiter.start()
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
while waiter.is_alive():
    sample()
    waiter.join(0.01)
end, err = ended
wall = end - start
rss = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", err).group(1))
cpu = sum(float(re.search(rf"{kind} time \(seconds\): ([\d.]+)", err).group(1)) for kind in ("User", "System"))
print(f"{wall:.3f} {max(sum(peaks.values()), rss)} {cpu:.3f}")
PY
}

# make_tree <folder> <kind> <files>: "small" files of 1..2048 bytes, 100 to
# a folder; or "mixed": files of 1 byte..64 KiB, 50 to a folder, eight large
# files (one sparse), read-only files, executables and links.
make_tree() {
  python3 - "$@" <<'PY'
import os, random, sys
top, kind, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
rnd = random.Random(42)
block = os.urandom(1 << 20)
per, hi = (100, 2048) if kind == "small" else (50, 65536)
for i in range(count):
    d = i // per
    folder = os.path.join(top, f"group{d // 100:03d}", f"folder{d:05d}")
    if i % per == 0:
        os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, f"file{i % per:05d}.dat")
    size = rnd.randint(1, hi)
    offset = rnd.randint(0, len(block) - size)
    with open(path, "wb") as out:
        out.write(block[offset:offset + size])
    if kind == "mixed":
        if i % 20 == 1:
            os.chmod(path, 0o444)
        elif i % 20 == 2:
            os.chmod(path, 0o755)
        elif i % 50 == 3:
            os.symlink(f"file{(i + 1) % per:05d}.dat", path + ".link")
if kind == "mixed":
    large = os.path.join(top, "large")
    os.makedirs(large, exist_ok=True)
    for n in range(7):
        with open(os.path.join(large, f"image{n}.bin"), "wb") as out:
            for _ in range(16):
                out.write(block)
    with open(os.path.join(large, "sparse.img"), "wb") as out:
        out.truncate(64 << 20)
        out.seek(40 << 20)
        out.write(block[:4096])
    os.makedirs(os.path.join(top, "empty folder"), exist_ok=True)
PY
}

# change_one_percent <folder>: 1% of the files, a fifth each touched (time
# only), rewritten in place, appended to, deleted, and new files added; and
# one folder renamed.
change_one_percent() {
  python3 - "$1" <<'PY'
import os, random, sys, time
top = sys.argv[1]
rnd = random.Random(7)
paths = sorted(os.path.join(d, f) for d, _, fs in os.walk(top) for f in fs
               if not os.path.islink(os.path.join(d, f)) and "large" not in d)
now = time.time() + 10
picked = paths[::100]
for n, path in enumerate(picked):
    kind = n % 5
    if kind != 3:
        os.chmod(path, os.stat(path).st_mode | 0o200)
    if kind == 0:
        pass
    elif kind == 1:
        size = os.path.getsize(path)
        with open(path, "r+b") as out:
            out.write(os.urandom(size))
    elif kind == 2:
        with open(path, "ab") as out:
            out.write(b"appended")
    elif kind == 3:
        os.remove(path)
        continue
    else:
        with open(path + ".new", "wb") as out:
            out.write(os.urandom(rnd.randint(1, 2048)))
    os.utime(path, (now, now))
folders = sorted(os.path.join(d, f) for d, fs, _ in os.walk(top) for f in fs if f.startswith("folder"))
os.rename(folders[len(folders) // 2], folders[len(folders) // 2] + "-renamed")
print(len(picked))
PY
}

# digest <folder>: one line per item below it (the folder itself included)
# with type, mode, size, modification time, and contents or link target.
digest() {
  python3 - "$1" <<'PY'
import hashlib, os, stat, sys
top = sys.argv[1]
def line(path, rel):
    st = os.lstat(path)
    extra = ""
    if stat.S_ISLNK(st.st_mode):
        extra = os.readlink(path)
    elif stat.S_ISREG(st.st_mode):
        with open(path, "rb") as f:
            extra = hashlib.md5(f.read()).hexdigest()
    return f"{rel} {st.st_mode:o} {st.st_size if not stat.S_ISDIR(st.st_mode) else 0} {st.st_mtime_ns} {extra}"
out = [line(top, ".")]
for d, folders, files in os.walk(top):
    for name in folders + files:
        path = os.path.join(d, name)
        out.append(line(path, os.path.relpath(path, top)))
print("\n".join(sorted(out)))
PY
}

ratio() { python3 -c "import sys; a, b = float(sys.argv[1]), float(sys.argv[2]); print(f'{a / b:.2f}' if b else '-')" "$1" "$2"; }
median() { python3 -c "import statistics, sys; print(statistics.median(float(x) for x in sys.argv[1:]))" "$@"; }

faithful() { # faithful <pass>
  if [ "$(digest "$base/src/data")" != "$(digest "$base/korvane/data")" ]; then
    echo "!! after the $1 pass the Korvane backup differs from the source" >&2
    diff <(digest "$base/src/data") <(digest "$base/korvane/data") | head -20 >&2
    exit 1
  fi
}

declare -A T
baseline="${KORVANE_BENCH_BASELINE:-}"
run_case() {
  local name="$1" kind="$2" files="$3" repeats="${KORVANE_BENCH_REPEATS:-3}"
  base="$work/$name"
  rm -rf "$base"
  mkdir -p "$base"
  echo
  make_tree "$base/orig" "$kind" "$files"
  echo "== $name: $kind tree of $files files, $(du -sh "$base/orig" | cut -f1) on $(stat -f -c %T "$base"), $repeats repeats, load $(cut -d' ' -f1-3 /proc/loadavg)"
  T=()
  for r in $(seq "$repeats"); do
    rm -rf "$base/src" "$base/korvane" "$base/korvane0" "$base/rsync" "$base/cp"
    mkdir -p "$base/src" "$base/korvane" "$base/rsync"
    cp -a "$base/orig" "$base/src/data"
    write_session "$base/bench.kvf" "$base/src/data" "$base/korvane"
    rm -rf "$base/korvane0"
    mkdir -p "$base/korvane0"
    write_session "$base/baseline.kvf" "$base/src/data" "$base/korvane0"
    sync
    local ks kk kc rs rk rc
    for pass in first unchanged changed; do
      if [ "$pass" = changed ]; then
        change_one_percent "$base/src/data" >/dev/null
        sync
      fi
      # The tools take turns at going first: on ext4 without a journal a
      # new inode is found by searching past the ones freed a little
      # earlier, so whoever runs right after the previous repeat's trees
      # were deleted pays for it, and a fixed order would always charge
      # the same tool.
      local tools=(k r) order
      [ -n "$baseline" ] && tools+=(b)
      [ "$pass" = first ] && tools+=(c)
      order=("${tools[@]:$(( (r - 1) % ${#tools[@]} ))}" "${tools[@]:0:$(( (r - 1) % ${#tools[@]} ))}")
      for tool in "${order[@]}"; do
        case "$tool" in
          k) read -r ks kk kc < <(measure bash -c 'korvane_backup "$0"' "$base/bench.kvf")
             T[$pass.k.s]+=" $ks"; T[$pass.k.m]+=" $kk"; T[$pass.k.c]+=" $kc" ;;
          r) read -r rs rk rc < <(measure rsync -a --delete "$base/src/data/" "$base/rsync/data/")
             T[$pass.r.s]+=" $rs"; T[$pass.r.m]+=" $rk"; T[$pass.r.c]+=" $rc" ;;
          b) read -r bs bk bc < <(measure bash -c 'korvane_backup "$0" "$1"' "$base/baseline.kvf" "$baseline/korvane")
             T[$pass.b.s]+=" $bs"; T[$pass.b.m]+=" $bk"; T[$pass.b.c]+=" $bc" ;;
          c) read -r cs ck cc < <(measure cp -a "$base/src/data" "$base/cp")
             T[cp.s]+=" $cs"; T[cp.m]+=" $ck"; T[cp.c]+=" $cc" ;;
        esac
      done
      [ "$pass" = first ] && sync
      if [ "$pass" = unchanged ]; then
        read -r fs fk fc < <(measure "$bench" --scan-only "$base/src/data" "$base/korvane")
        T[floor.s]+=" $fs"; T[floor.c]+=" $fc"
      fi
      faithful "$pass"
    done
  done
  local row="%-12s %9s %9s %6s %9s %9s %6s %11s %11s %6s\n"
  printf "$row" "pass (median)" "korvane s" "rsync s" ratio "k cpu s" "r cpu s" ratio "korvane KiB" "rsync KiB" ratio
  for pass in first unchanged changed; do
    local a b c d e f
    a=$(median ${T[$pass.k.s]}); b=$(median ${T[$pass.r.s]}); c=$(median ${T[$pass.k.m]}); d=$(median ${T[$pass.r.m]})
    e=$(median ${T[$pass.k.c]}); f=$(median ${T[$pass.r.c]})
    printf "$row" "$pass" "$a" "$b" "$(ratio "$a" "$b")" "$e" "$f" "$(ratio "$e" "$f")" "$c" "$d" "$(ratio "$c" "$d")"
    if [ -n "$baseline" ]; then
      a=$(median ${T[$pass.b.s]}); c=$(median ${T[$pass.b.m]}); e=$(median ${T[$pass.b.c]})
      printf "$row" "  baseline" "$a" "$b" "$(ratio "$a" "$b")" "$e" "$f" "$(ratio "$e" "$f")" "$c" "$d" "$(ratio "$c" "$d")"
    fi
  done
  local first cp floor unchanged
  first=$(median ${T[first.k.s]}); cp=$(median ${T[cp.s]}); floor=$(median ${T[floor.s]}); unchanged=$(median ${T[unchanged.k.s]})
  echo "cp -a first copy: $cp s, $(median ${T[cp.c]}) s CPU, $(median ${T[cp.m]}) KiB (korvane/cp -a $(ratio "$first" "$cp") wall, $(ratio "$(median ${T[first.k.c]})" "$(median ${T[cp.c]})") CPU)"
  echo "floor (list and stat both trees, two threads): $floor s, $(median ${T[floor.c]}) s CPU; unchanged pass: korvane $(ratio "$unchanged" "$floor") x floor ($(ratio "$(median ${T[unchanged.k.c]})" "$(median ${T[floor.c]})") in CPU), rsync $(ratio "$(median ${T[unchanged.r.s]})" "$floor") x floor"
  echo "all runs (s): korvane first${T[first.k.s]} | unchanged${T[unchanged.k.s]} | changed${T[changed.k.s]}"
  [ -n "$baseline" ] && echo "     baseline first${T[first.b.s]} | unchanged${T[unchanged.b.s]} | changed${T[changed.b.s]}"
  echo "              rsync first${T[first.r.s]} | unchanged${T[unchanged.r.s]} | changed${T[changed.r.s]} | cp${T[cp.s]} | floor${T[floor.s]}"
  echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
  rm -rf "$base"
}

if [ -n "${KORVANE_BENCH_QUICK:-}" ]; then   # a smoke run of the script itself
  KORVANE_BENCH_REPEATS=1 run_case "quick-small" small 2000
  KORVANE_BENCH_REPEATS=1 run_case "quick-mixed" mixed 2000
  exit 0
fi
run_case "small-100k" small 100000
run_case "mixed" mixed 20000
