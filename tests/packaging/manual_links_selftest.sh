#!/usr/bin/env bash
# The manual's link check passes a sound small manual and fails each kind of
# breakage it is there to catch:
#   manual_links_selftest.sh <manual_links_test.sh>
set -uo pipefail
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# A manual of two pages, a style sheet and a picture, all linked.
make_manual() {
    rm -rf "$work/m"
    mkdir -p "$work/m/images"
    printf 'body{}\n' >"$work/m/style.css"
    printf 'PNG' >"$work/m/images/shot.png"
    cat >"$work/m/index.html" <<'HTML'
<!DOCTYPE html>
<html lang="en"><head><link rel="stylesheet" href="style.css"><title>T</title></head>
<body><h1 id="top">Contents</h1>
<a href="page.html">Page</a> <a href="page.html#part">Part</a> <a href="#top">Top</a>
<a href="https://example.org/">elsewhere</a>
</body></html>
HTML
    cat >"$work/m/page.html" <<'HTML'
<!DOCTYPE html>
<html lang="en"><head><link rel="stylesheet" href="style.css"><title>P</title></head>
<body><h2 id="part">Part</h2>
<img src="images/shot.png"
 alt="A window">
<a href="index.html">Contents</a>
</body></html>
HTML
}

expect() {
    local want=$1 what=$2
    bash "$check" "$work/m" >"$work/out" 2>&1
    local status=$?
    if [[ $want == pass && $status -ne 0 ]] || [[ $want == fail && $status -eq 0 ]]; then
        echo "FAIL: $what: expected the check to $want"
        cat "$work/out"
        failures=$((failures + 1))
    fi
}

# Replaces text $1 by $2 in page $3 of a fresh manual, then expects failure.
broken() {
    make_manual
    local file="$work/m/$3"
    local text
    text=$(<"$file")
    [[ $text == *"$1"* ]] || { echo "FAIL: selftest text '$1' not in $3"; failures=$((failures + 1)); }
    printf '%s\n' "${text/"$1"/"$2"}" >"$file"
    expect fail "$4"
}

make_manual
expect pass "a sound manual"

broken 'href="page.html">Page' 'href="pgae.html">Page' index.html "a link to a missing page"
broken 'images/shot.png' 'images/shot2.png' page.html "a missing picture"
broken 'page.html#part' 'page.html#prat' index.html "an anchor the page lacks"
broken 'href="#top"' 'href="#bottom"' index.html "an anchor of the same page it lacks"
broken ' alt="A window"' '' page.html "a picture without alternative text"
broken 'href="style.css"' 'href="https://example.org/style.css"' page.html "a style sheet from elsewhere"
broken '<h2 id="part">' '<script>x()</script><h2 id="part">' page.html "JavaScript"
broken 'href="index.html"' 'href="../index.html"' page.html "a link out of the manual"
broken '<a href="page.html">Page</a> ' '' index.html "a page the contents do not reach"

make_manual
printf 'PNG' >"$work/m/images/unused.png"
expect fail "a picture no page uses"

make_manual
mkdir -p "$work/m/images/sub folder"
mv "$work/m/images/shot.png" "$work/m/images/sub folder/shot.png"
sed -i 's|images/shot.png|images/sub%20folder/shot.png|' "$work/m/page.html"
expect pass "an escaped blank in a path"

if ((failures > 0)); then
    echo "$failures selftest case(s) failed"
    exit 1
fi
echo "the manual check catches every breakage tried"
