# Shell helpers shared by the scripts that run the real program on samples;
# source this file.

# write_session <file> <set name> <source folder> <backup folder> [exclude file masks]:
# a session file with one set of one entry (all files, with subfolders).
write_session() {
  local exclude="<EXCLUDEFILES/>"
  [ -n "${5:-}" ] && exclude="<EXCLUDEFILES>$5</EXCLUDEFILES>"
  cat >"$1" <<KVF
<?xml version="1.0"?>
<SESSION version="003">
<ACTIVESET>0</ACTIVESET>
<SET>
<NAME>$2</NAME>
<ACTIVEACTION>0</ACTIVEACTION>
<LASTDESTINATIONFOLDER/>
<BACKUP>
<SOURCEFOLDER>$3</SOURCEFOLDER>
<DESTINATIONFOLDER>$4</DESTINATIONFOLDER>
<EXCLUDEFOLDERS/>
<INCLUDEFILES>*.*</INCLUDEFILES>
$exclude
<RECURSIVE>1</RECURSIVE>
</BACKUP>
</SET>
</SESSION>
KVF
}

# use_scratch_home <folder>: HOME and the XDG folders point into a folder of
# its own and no display is set, so a run never opens a window and never
# reads or writes the real settings. The run lock is its own too: the user's
# is machine-wide, and a run of the user's elsewhere would refuse this one.
use_scratch_home() {
  mkdir -p "$1/.config/Zellik Software"
  mkdir -p -m 700 "$1/run"
  export HOME="$1" XDG_CONFIG_HOME="$1/.config" XDG_DATA_HOME="$1/.local/share"
  export XDG_CACHE_HOME="$1/.cache" XDG_RUNTIME_DIR="$1/run" TMPDIR="$1" KORVANE_LOCK_DIR="$1/run"
  unset DISPLAY WAYLAND_DISPLAY
}
