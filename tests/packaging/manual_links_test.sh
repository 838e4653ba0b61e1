#!/usr/bin/env bash
# Checks a user manual folder (the source's docs/manual or an installed
# share/doc/korvane) so that the installed manual never has a broken link:
# every local link and picture resolves to a file inside the folder, every
# #anchor names an id of its page, pictures have alternative text, nothing
# is loaded from elsewhere, the contents page links every page, and every
# picture is used.
#   manual_links_test.sh <manual folder>
set -uo pipefail
dir=$(cd "$1" 2>/dev/null && pwd -P) || { echo "FAIL: no manual folder '$1'"; exit 1; }
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# A page on one line, so that tags spread over several lines are found whole.
flat() { tr '\n\r\t' '   ' <"$1"; }

# The value of attribute $2 in tag $1, empty when it has none.
attribute() {
    local pattern="[[:space:]]$2=\"([^\"]*)\""
    [[ $1 =~ $pattern ]] && printf '%s' "${BASH_REMATCH[1]}"
}

# %XX escapes of a URL path, as a browser reads them.
decode() { printf '%b' "${1//%/\\x}"; }

# The ids of a page, one a line; read once per page.
declare -A page_ids
ids_of() {
    [[ -v page_ids[$1] ]] || page_ids[$1]=$(flat "$1" | grep -oE '[[:space:]]id="[^"]*"' | sed -E 's/^[[:space:]]id="(.*)"$/\1/')
    printf '%s\n' "${page_ids[$1]}"
}

used=()
check_reference() {
    local page=$1 tag=$2 name=$3 ref=$4
    local where="${page#"$dir"/}: $name=\"$ref\""
    if [[ -z $ref ]]; then
        fail "$where is empty"
        return
    fi
    if [[ $ref =~ ^[A-Za-z][A-Za-z0-9+.-]*: ]]; then
        # Links the reader follows may leave the manual; what the page loads
        # itself may not, so the manual reads the same without a network.
        [[ $tag == a && ! $ref =~ ^javascript: ]] || fail "$where is not a local file"
        return
    fi
    local path=${ref%%#*} fragment=
    [[ $ref == *"#"* ]] && fragment=${ref#*#}
    local target=$page
    if [[ -n $path ]]; then
        [[ $path != /* ]] || fail "$where is an absolute path"
        target=$(realpath -m "$(dirname "$page")/$(decode "${path%%\?*}")")
        if [[ $target != "$dir"/* ]]; then
            fail "$where leads out of the manual"
            return
        fi
        if [[ ! -f $target ]]; then
            fail "$where: no such file"
            return
        fi
        used+=("$target")
    fi
    if [[ -n $fragment ]]; then
        [[ $target == *.html ]] || fail "$where: an anchor in a file that is not a page"
        ids_of "$target" | grep -xF -- "$fragment" >/dev/null || fail "$where: no id=\"$fragment\" in ${target#"$dir"/}"
    fi
}

pages=("$dir"/*.html)
[[ -f ${pages[0]} ]] || fail "no pages in $dir"
[[ -f $dir/index.html ]] || fail "no contents page index.html"
for page in "${pages[@]}"; do
    [[ -f $page ]] || continue
    text=$(flat "$page")
    grep -qiE '<script|[[:space:]]on[a-z]+="' <<<"$text" && fail "${page#"$dir"/}: holds JavaScript"
    duplicates=$(ids_of "$page" | sort | uniq -d)
    [[ -z $duplicates ]] || fail "${page#"$dir"/}: ids used twice: $duplicates"
    while IFS= read -r tag; do
        [[ -n $tag ]] || continue
        [[ $tag =~ ^\<([A-Za-z]+) ]] && kind=${BASH_REMATCH[1],,}
        for name in href src; do
            if [[ $tag =~ [[:space:]]$name=\" ]]; then
                check_reference "$page" "$kind" "$name" "$(attribute "$tag" "$name")"
            fi
        done
        alt=$(attribute "$tag" alt)
        if [[ $kind == img && -z ${alt// /} ]]; then
            fail "${page#"$dir"/}: a picture without alternative text: $tag"
        fi
    done < <(grep -oiE '<(a|link|img|script|iframe|source|video|audio|object|embed)[[:space:]][^>]*>' <<<"$text")
done

# The contents page reaches every page, and every file shipped is used.
contents=$(flat "$dir/index.html" 2>/dev/null)
for page in "${pages[@]}"; do
    [[ -f $page && $page != "$dir/index.html" ]] || continue
    grep -qF "href=\"$(basename "$page")\"" <<<"$contents" || fail "index.html does not link ${page#"$dir"/}"
done
while IFS= read -r -d '' file; do
    printf '%s\n' "${used[@]}" | grep -xF -- "$file" >/dev/null || fail "${file#"$dir"/} is used by no page"
done < <(find "$dir" -type f ! -name '*.html' -print0)

if ((failures > 0)); then
    echo "$failures manual check(s) failed in $dir"
    exit 1
fi
echo "manual links complete: ${#pages[@]} pages in $dir"
