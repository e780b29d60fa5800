#!/bin/sh
# The documentation holds together: every relative link of README.md, NEWS.md and doc/*.md names a file
# or folder of the repository (and, with #fragment, a heading of that page), every page of doc/ is
# linked from the README, and the README stays a front door of at most 250 lines.
# usage: links_test.sh SOURCE_DIR
set -eu
top=$(cd "$1" && pwd)
cd "$top"
bad=0

lines=$(wc -l <README.md)
[ "$lines" -le 250 ] || { echo "README.md has $lines lines, more than 250"; bad=1; }

# Prints "PAGE TARGET" for every link outside code: inline [text](target) and [label]: target.
links() {
    awk '
        /^ *```/ { fence = !fence; next }
        fence { next }
        {
            line = $0
            gsub(/`[^`]*`/, "", line)
            if (match(line, /^ *\[[^]]*\]: */)) { t = substr(line, RLENGTH + 1); sub(/ .*/, "", t); print FILENAME " " t }
            while (match(line, /\]\([^)]*\)/)) {
                print FILENAME " " substr(line, RSTART + 2, RLENGTH - 3)
                line = substr(line, RSTART + RLENGTH)
            }
        }' "$@"
}

# The fragments a page's headings answer to, made as the hosting site makes them: lower case, blanks
# to hyphens, other punctuation dropped, a repeated heading numbered.
anchors() {
    awk '
        /^ *```/ { fence = !fence; next }
        fence || !/^#+ / { next }
        {
            h = tolower($0); sub(/^#+ +/, "", h); gsub(/[^a-z0-9 _-]/, "", h); gsub(/ /, "-", h)
            n = seen[h]++
            print (n ? h "-" n : h)
        }' "$1"
}

all=$(mktemp)
trap 'rm -f "$all"' EXIT
links README.md NEWS.md doc/*.md >"$all"

while read -r page target; do
    case $target in
        [a-zA-Z]*:*) continue ;;  # a scheme: not a file of the tree
    esac
    path=${target%%#*}
    fragment=
    case $target in *#*) fragment=${target#*#} ;; esac
    if [ -z "$path" ]; then
        file=$page
    else
        file=$(realpath -m "$(dirname "$page")/$path")
        case $file in
            "$top"|"$top"/*) ;;
            *) echo "$page: $target leaves the repository"; bad=1; continue ;;
        esac
    fi
    if [ ! -e "$file" ]; then
        echo "$page: $target names no file"
        bad=1
    elif [ -n "$fragment" ]; then
        case $file in
            *.md) anchors "$file" | grep -qx -- "$fragment" || { echo "$page: $target names no heading"; bad=1; } ;;
        esac
    fi
done <"$all"

# A page nobody can reach from the front door is a page nobody reads.
for page in doc/*.md; do
    grep -q "^README.md $page\(#.*\)\{0,1\}$" "$all" || { echo "$page is not linked from README.md"; bad=1; }
done
exit $bad
