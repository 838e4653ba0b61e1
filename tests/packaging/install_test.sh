#!/usr/bin/env bash
# Installs a build into scratch prefixes and checks what a desktop and a
# server find there: install_test.sh <build folder>
set -uo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
has() { [[ -f $1 ]] || fail "missing $1"; }
contains() { grep -qF -- "$2" "$1" 2>/dev/null || fail "$1 lacks: $2"; }

# A prefix with a blank in it, as a user might choose.
prefix="$work/my prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
program="$prefix/bin/korvane"
has "$program"
app=com.zelliksoftware.Korvane
desktop="$prefix/share/applications/$app.desktop"
unit="$prefix/share/systemd/user/korvane-scheduler.service"
has "$desktop"
has "$unit"
has "$prefix/share/mime/packages/korvane.xml"
has "$prefix/share/metainfo/$app.metainfo.xml"
has "$prefix/share/icons/hicolor/scalable/apps/korvane.svg"
for size in 16 22 24 32 48 64 128 256; do
    has "$prefix/share/icons/hicolor/${size}x$size/apps/korvane.png"
done
has "$prefix/share/man/man1/korvane.1.gz"
has "$prefix/share/doc/korvane/index.html"
# The installed manual is whole: every page and picture its links name.
bash "$(dirname "${BASH_SOURCE[0]}")/manual_links_test.sh" "$prefix/share/doc/korvane" >"$work/manual.log" 2>&1 \
    || { cat "$work/manual.log"; fail "installed manual has broken links"; }
has "$prefix/share/bash-completion/completions/korvane"

contains "$desktop" "Exec=\"$program\" %f"
contains "$desktop" "MimeType=application/x-korvane-session;"
contains "$desktop" "Icon=korvane"
contains "$unit" "ExecStart=\"$program\" /i"
contains "$unit" "UnsetEnvironment=DISPLAY WAYLAND_DISPLAY"
contains "$prefix/share/mime/packages/korvane.xml" '<glob pattern="*.kvf"/>'

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop entry does not validate"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$prefix/share/metainfo/$app.metainfo.xml" >"$work/as.log" 2>&1 \
        || { cat "$work/as.log"; fail "metainfo does not validate"; }
fi
if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/korvane.1.gz" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "manual page warnings: $warnings"
fi

# The installed program runs, and its version is the one the metainfo names.
version=$("$program" --version | head -n 1) || fail "installed program does not run"
contains "$prefix/share/metainfo/$app.metainfo.xml" "<release version=\"${version##* }\""

# Its windows come from its private library, found from the program's own
# folder under whatever prefix: a windowed start on the offscreen platform
# opens a sample session and runs it through the main window.
for library in libkorvane-windows.so libkorvane-tls.so libkorvane-desktop.so; do
    [[ -n $(find "$prefix" -path "*/korvane/$library") ]] || fail "$library is not installed"
done
(
    source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/session.sh"
    use_scratch_home "$work/home"
    mkdir -p "$work/sample"
    printf 'one\n' >"$work/sample/one.txt"
    write_session "$work/sample.kvf" Sample "$work/sample" "$work/backup"
    printf '[Info]\nVersion=%s\n\n[Settings]\nGeneral\\CheckUpdates=0\n' "${version##* }" \
        >"$XDG_CONFIG_HOME/Zellik Software/Korvane.conf"
    DISPLAY=:korvane-install QT_QPA_PLATFORM=offscreen KORVANE_TEST_DRIVE=1 "$program" "$work/sample.kvf" \
        </dev/null >"$work/windowed.log" 2>&1
    grep -q "run finished: 0" "$work/windowed.log" && cmp -s "$work/sample/one.txt" "$work/backup/sample/one.txt"
) || { cat "$work/windowed.log"; fail "the installed program's windows did not run the sample"; }

# A package build stages under DESTDIR with the prefix /usr: the files name
# /usr/bin/korvane and the unit goes where packages keep user units.
DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >"$work/stage.log" 2>&1 || { cat "$work/stage.log"; exit 1; }
has "$work/stage/usr/bin/korvane"
contains "$work/stage/usr/lib/systemd/user/korvane-scheduler.service" 'ExecStart="/usr/bin/korvane" /i'
contains "$work/stage/usr/share/applications/$app.desktop" 'Exec="/usr/bin/korvane" %f'

if ((failures > 0)); then
    echo "$failures install check(s) failed"
    exit 1
fi
echo "install tree complete"
