#!/bin/sh
# Every option tarvik-asm --help names is documented in its man page.
# usage: check-man-options.sh TARVIK_ASM MAN_PAGE
set -eu
missing=0
for option in $("$1" --help | grep -o -e '--[a-z][a-z-]*' -e ' -[a-z]\b' | tr -d ' ' | sort -u); do
    escaped=$(printf '%s' "$option" | sed 's/-/\\\\-/g')
    if ! grep -q -e "$escaped" "$2"; then
        echo "not in the man page: $option"
        missing=1
    fi
done
exit $missing
