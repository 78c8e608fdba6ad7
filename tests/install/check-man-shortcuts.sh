#!/bin/sh
# Every shortcut of the main window's menus is documented in the man page.
# usage: check-man-shortcuts.sh SHORTCUT_PROBE MAN_PAGE
set -eu
shortcuts=$(QT_QPA_PLATFORM=offscreen "$1" | sort -u)
[ -n "$shortcuts" ] || { echo "the probe found no shortcut"; exit 1; }
missing=0
while IFS= read -r keys; do
    if ! grep -q -F -e "$keys" "$2"; then
        echo "not in the man page: $keys"
        missing=1
    fi
done <<EOF_KEYS
$shortcuts
EOF_KEYS
exit $missing
