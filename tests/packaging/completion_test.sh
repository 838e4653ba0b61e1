#!/usr/bin/env bash
# Drives korvane's bash completion function as bash would, on real files:
# completion_test.sh <completion script>
source "$1" || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir -p sets "old sets"
touch notes.txt sets/b.KVF
printf '<?xml version="1.0"?>\r\r\n<SESSION version="003">\r\r\n<SET>\r\r\n<NAME>Docs &amp; &lt;Pics&gt;</NAME>\r\r\n<BACKUP>\r\r\n</BACKUP>\r\r\n</SET>\r\r\n<SET>\r\r\n<NAME>Photos 2026</NAME>\r\r\n</SET>\r\r\n<SET>\r\r\n<NAME>Daily</NAME>\r\r\n</SET>\r\r\n</SESSION>\r\r\n' >a.kvf
printf 'SettingsVersion:\t1\r\nSetName:\tOld Set\r\nSetActiveAction:\t0\r\n' >"old sets/old.kvf"

failures=0
# expect "<expected replies, one a line>" <words of the line>... ; the last
# word is the one being completed.
expect() {
    local want=$1
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _korvane
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort)
    want=$(printf '%s' "$want" | sort)
    if [[ $got != "$want" ]]; then
        echo "FAIL: $*"
        echo "  expected: $(printf '%s' "$want" | tr '\n' '|')"
        echo "  got:      $(printf '%s' "$got" | tr '\n' '|')"
        failures=$((failures + 1))
    fi
}

expect "--file=" korvane --fi
expect $'--verbose\n--version\n--versions' korvane --v
expect $'a.kvf\nold sets\nsets' korvane --file ""
expect "sets/b.KVF" korvane --file = sets/
expect $'a.kvf\nold sets\nsets' korvane /f ""
expect $'Docs\\ \\&\\ \\<Pics\\>\nPhotos\\ 2026\nDaily' korvane --file a.kvf --set ""
expect 'Photos\ 2026' korvane --file = a.kvf --set = P
expect $'Docs\\ \\&\\ \\<Pics\\>\nDaily' korvane /F a.kvf /s D
# The file name as typed, with a backslash or in quotes; the old text format.
expect 'Old\ Set' korvane --file 'old\ sets/old.kvf' --set ""
expect 'Old\ Set' korvane --file "'old sets/old.kvf'" --set O
expect "" korvane /f missing.kvf /s ""
expect $'backup\nrestore' korvane --action ""
expect "restore" korvane /a r
expect "backup" korvane --file = a.kvf --set = Daily --action = b
expect "/q" korvane /q
expect "/n" korvane /F a.kvf /n
expect $'--dry-run' korvane --d
expect $'--restore-version=' korvane --rest
# A version's time is typed; its folder is a folder.
expect "" korvane --file a.kvf --set Daily --restore-version x --at ""
expect "$work/sets" korvane --restore-version x --to "$work/se"
# A path beginning with / is completed as a path too.
expect "$work/sets" korvane "$work/se"
# The caller's IFS does not split the lists differently.
IFS=$'\n'
expect 'Photos\ 2026' korvane --file a.kvf --set P
expect $'--verbose\n--version\n--versions' korvane --ver
unset IFS

if ((failures > 0)); then
    echo "$failures completion case(s) failed"
    exit 1
fi
echo "all completion cases passed"
