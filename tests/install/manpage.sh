#!/usr/bin/env bash
# The manual page against the program: the options and arguments --help
# lists, and the exit statuses the command line and main() return, are
# exactly the ones the page documents. A new option or status fails here
# until the page tells of it.
set -euo pipefail
bin=$1 page=$2 src=$3

# The tags (the line after each .TP) of one section, as plain words.
tags() {
    awk -v s="$1" '/^\.SH /{on = (substr($0, 5) == s); next} on && tp {print} {tp = on && /^\.TP/}' "$page" |
        sed -e 's/^\.[A-Z]* //' -e 's/\\-/-/g' -e 's/"[^"]*"/ /g' | tr ' ' '\n' | grep . | sort -u
}
compare() {
    if ! diff <(echo "$2") <(echo "$3") >/dev/null; then
        echo "$1 differ between the program (<) and the manual page (>):"
        diff <(echo "$2") <(echo "$3") | grep '^[<>]'
        exit 1
    fi
}

help=$("$bin" --help)
options=$( (sed -n 's/^  \(-[^ ]*\(, -[^ ]*\)*\)  .*/\1/p' <<<"$help" | tr -d ',' | tr ' ' '\n'
    sed -n '/^Arguments:/,$s/^  \([a-z][^ ]*\) .*/\1/p' <<<"$help") | grep . | sort -u)
compare "options" "$options" "$(tags OPTIONS)"

statuses=$( (grep -oE 'status[A-Za-z]+ = [0-9]+;' "$src/src/app/PXCommandLine.h"
    grep -oE 'return [0-9]+;' "$src/src/app/main.cpp") | grep -oE '[0-9]+' | sort -u)
compare "exit statuses" "$statuses" "$(tags 'EXIT STATUS')"
echo "the manual page documents every option and exit status"
