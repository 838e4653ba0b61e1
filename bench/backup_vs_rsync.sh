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
#   KORVANE_BENCH_CASES="small-100k mixed" (the default) and any of:
#     million  1,000,000 empty files in 1,000 folders (one repeat by default)
#     cold     small-100k with the page cache dropped before every pass (root)
#     network  20,000 small files backed up to an sshfs mount of a loopback
#              sshd in a network namespace of its own, 2 ms added to every
#              packet (root; openssh-server, sshfs, iproute2: see bench/README)
#
# The work folder must be on a disk, not in memory: tmpfs would flatter both.
# Runs are made with a warm page cache, the same for every tool, except in
# the cold case.
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
# a folder; "empty" files, 1,000 to a folder; or "mixed": files of 1 byte..
# 64 KiB, 50 to a folder, eight large files (one sparse), read-only files,
# executables and links.
make_tree() {
  python3 - "$@" <<'PY'
import os, random, sys
top, kind, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
rnd = random.Random(42)
block = os.urandom(1 << 20)
per, hi = {"small": (100, 2048), "empty": (1000, 0), "mixed": (50, 65536)}[kind]
for i in range(count):
    d = i // per
    folder = os.path.join(top, f"group{d // 100:03d}", f"folder{d:05d}")
    if i % per == 0:
        os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, f"file{i % per:05d}.dat")
    if hi == 0:
        open(path, "wb").close()
        continue
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
# Times are compared in whole seconds on a backup that keeps no finer ones
# (sftp carries seconds only).
digest() {
  python3 - "$1" "${digest_seconds:-0}" <<'PY'
import hashlib, os, stat, sys
top = sys.argv[1]
seconds = sys.argv[2] == "1"
def line(path, rel):
    st = os.lstat(path)
    extra = ""
    if stat.S_ISLNK(st.st_mode):
        extra = os.readlink(path)
    elif stat.S_ISREG(st.st_mode):
        with open(path, "rb") as f:
            extra = hashlib.md5(f.read()).hexdigest()
    mtime = st.st_mtime_ns // 1_000_000_000 if seconds else st.st_mtime_ns
    return f"{rel} {st.st_mode:o} {st.st_size if not stat.S_ISDIR(st.st_mode) else 0} {mtime} {extra}"
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
  if [ "$(digest "$base/src/data")" != "$(digest "$dest/korvane/data")" ]; then
    echo "!! after the $1 pass the Korvane backup differs from the source" >&2
    diff <(digest "$base/src/data") <(digest "$dest/korvane/data") | head -20 >&2
    exit 1
  fi
}

declare -A T
baseline="${KORVANE_BENCH_BASELINE:-}"
run_case() {
  local name="$1" kind="$2" files="$3" repeats="${KORVANE_BENCH_REPEATS:-3}"
  base="$work/$name"
  dest="${bench_dest:-$base}"   # where the backups go: the case's folder or a mount
  rm -rf "$base"
  mkdir -p "$base" "$dest"
  echo
  make_tree "$base/orig" "$kind" "$files"
  echo "== $name: $kind tree of $files files, $(du -sh "$base/orig" | cut -f1) on $(stat -f -c %T "$base") to $(stat -f -c %T "$dest")${before_pass:+, $before_pass before every pass}, $repeats repeats, load $(cut -d' ' -f1-3 /proc/loadavg)"
  T=()
  for r in $(seq "$repeats"); do
    rm -rf "$base/src" "$dest/korvane" "$dest/korvane0" "$dest/rsync" "$dest/cp"
    mkdir -p "$base/src" "$dest/korvane" "$dest/rsync"
    cp -a "$base/orig" "$base/src/data"
    write_session "$base/bench.kvf" "$base/src/data" "$dest/korvane"
    mkdir -p "$dest/korvane0"
    write_session "$base/baseline.kvf" "$base/src/data" "$dest/korvane0"
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
        "${before_pass:-true}"
        case "$tool" in
          k) read -r ks kk kc < <(measure bash -c 'korvane_backup "$0"' "$base/bench.kvf")
             T[$pass.k.s]+=" $ks"; T[$pass.k.m]+=" $kk"; T[$pass.k.c]+=" $kc" ;;
          r) read -r rs rk rc < <(measure rsync -a --delete "$base/src/data/" "$dest/rsync/data/")
             T[$pass.r.s]+=" $rs"; T[$pass.r.m]+=" $rk"; T[$pass.r.c]+=" $rc" ;;
          b) read -r bs bk bc < <(measure bash -c 'korvane_backup "$0" "$1"' "$base/baseline.kvf" "$baseline/korvane")
             T[$pass.b.s]+=" $bs"; T[$pass.b.m]+=" $bk"; T[$pass.b.c]+=" $bc" ;;
          c) read -r cs ck cc < <(measure cp -a "$base/src/data" "$dest/cp")
             T[cp.s]+=" $cs"; T[cp.m]+=" $ck"; T[cp.c]+=" $cc" ;;
        esac
      done
      [ "$pass" = first ] && sync
      if [ "$pass" = unchanged ]; then
        "${before_pass:-true}"
        read -r fs fk fc < <(measure "$bench" --scan-only "$base/src/data" "$dest/korvane")
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
  rm -rf "$base" "$dest/korvane" "$dest/korvane0" "$dest/rsync" "$dest/cp"
}

drop_caches() { sync; echo 3 >/proc/sys/vm/drop_caches; }
# files <count> [smoke count]: the count, or 2,000 in a smoke run
files() { if [ -n "${KORVANE_BENCH_QUICK:-}" ]; then echo "${2:-2000}"; else echo "$1"; fi; }
[ -n "${KORVANE_BENCH_QUICK:-}" ] && KORVANE_BENCH_REPEATS=1

# relay <listen port> <target port> <seconds>: a TCP relay on loopback that
# holds every chunk for the given time in each direction, in order; stands
# in for netem on kernels built without it.
relay() {
  python3 - "$@" <<'PY'
import asyncio, sys, time
listen, target, delay = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
async def pump(reader, writer):
    queue = asyncio.Queue()
    async def send():
        while True:
            due, data = await queue.get()
            if not data:
                break
            if due > time.monotonic():
                await asyncio.sleep(due - time.monotonic())
            writer.write(data)
            await writer.drain()
        writer.close()
    sender = asyncio.create_task(send())
    while True:
        data = await reader.read(1 << 16)
        await queue.put((time.monotonic() + delay, data))
        if not data:
            break
    await sender
async def handle(reader, writer):
    target_reader, target_writer = await asyncio.open_connection("127.0.0.1", target)
    await asyncio.gather(pump(reader, target_writer), pump(target_reader, writer), return_exceptions=True)
async def main():
    server = await asyncio.start_server(handle, "127.0.0.1", listen)
    async with server:
        await server.serve_forever()
asyncio.run(main())
PY
}

mount_sshfs() {
  sshfs -p "$ssh_port" -o "IdentityFile=$ssh/client_key,StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null" \
    "root@127.0.0.1:$ssh/remote" "$ssh/mnt"
}
# Every pass starts on a fresh mount: sshfs keeps what it has looked up for
# 20 s, and the tool that ran second would be timed on the first one's cache.
remount_sshfs() { fusermount -u "$ssh/mnt"; mount_sshfs; }

# The network case runs in a network namespace of its own (ip netns exec
# gives it a mount table of its own too, so the sshfs mount goes with it):
# an sshd on its loopback serves the backup folder over sshfs, and netem
# holds every packet 2 ms, so each metadata call costs a round trip.
network_inside() {
  ssh="$work/network-ssh"   # global: the exit trap still needs it
  local port=2222 delay
  ip link set lo up
  if tc qdisc add dev lo root netem delay 2ms 2>/dev/null; then
    delay="netem delay 2ms on loopback"
  else
    relay 2223 2222 0.002 &
    port=2223
    delay="netem missing from this kernel: a relay holding each chunk 2 ms each way"
  fi
  rm -rf "$ssh"
  mkdir -p "$ssh/remote" "$ssh/mnt" /run/sshd
  ssh-keygen -q -t ed25519 -N '' -f "$ssh/host_key"
  ssh-keygen -q -t ed25519 -N '' -f "$ssh/client_key"
  cp "$ssh/client_key.pub" "$ssh/authorized_keys"
  cat >"$ssh/sshd_config" <<CFG
ListenAddress 127.0.0.1:2222
HostKey $ssh/host_key
AuthorizedKeysFile $ssh/authorized_keys
PermitRootLogin prohibit-password
PasswordAuthentication no
UsePAM no
StrictModes no
Subsystem sftp internal-sftp
PidFile $ssh/sshd.pid
CFG
  /usr/sbin/sshd -f "$ssh/sshd_config"
  trap 'fusermount -u "$ssh/mnt" 2>/dev/null; kill $(cat "$ssh/sshd.pid") $(jobs -p) 2>/dev/null || true' EXIT
  # sshd, then the relay if there is one, must take connections before sshfs tries
  for p in 2222 "$port"; do
    for _ in $(seq 1 100); do (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null && break; sleep 0.1; done
  done
  ssh_port=$port
  mount_sshfs
  echo
  echo "== network: backups to sshfs over a loopback sshd; $delay"
  bench_dest="$ssh/mnt" digest_seconds=1 before_pass=remount_sshfs run_case network small "$(files 20000)"
}

network_case() {
  if [ "$(id -u)" -ne 0 ]; then echo "the network case needs root (a network namespace and a mount)" >&2; return 1; fi
  for tool in /usr/sbin/sshd sshfs ssh-keygen ip tc fusermount; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (see bench/README)" >&2; return 1; }
  done
  local ns="korvane-bench-$$"
  ip netns add "$ns"
  KORVANE_BENCH_INSIDE=network ip netns exec "$ns" bash "${BASH_SOURCE[0]}" "$work" || true
  ip netns del "$ns"
}

if [ "${KORVANE_BENCH_INSIDE:-}" = network ]; then
  network_inside
  exit 0
fi
if [ -n "${KORVANE_BENCH_QUICK:-}" ] && [ -z "${KORVANE_BENCH_CASES:-}" ]; then   # a smoke run of the script itself
  KORVANE_BENCH_REPEATS=1 run_case "quick-small" small 2000
  KORVANE_BENCH_REPEATS=1 run_case "quick-mixed" mixed 2000
  exit 0
fi
for case in ${KORVANE_BENCH_CASES:-small-100k mixed}; do
  case "$case" in
    small-100k) run_case small-100k small "$(files 100000)" ;;
    mixed) run_case mixed mixed "$(files 20000)" ;;
    # (a smoke run keeps 20 folders, so that the renamed folder stays under
    # the brake on mass changes)
    million) KORVANE_BENCH_REPEATS="${KORVANE_BENCH_REPEATS:-1}" run_case million empty "$(files 1000000 20000)" ;;
    cold) before_pass=drop_caches run_case cold-100k small "$(files 100000)" ;;
    network) network_case ;;
    *) echo "unknown case: $case" >&2; exit 2 ;;
  esac
done
