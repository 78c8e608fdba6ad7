#!/bin/sh
# Runs a program on a private X server with a window manager, as on a user's desktop:
# keys and clicks go through the server, and the manager gives the focus and places the
# windows.
# usage: run-under-xvfb.sh PROGRAM [ARGUMENTS...]
set -eu
dir=$(mktemp -d)
server=
manager=
cleanup() {
    if [ -n "$manager" ]; then kill "$manager" 2>/dev/null || true; fi
    if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; fi
    rm -rf "$dir"
}
trap cleanup EXIT

# The server picks a free display and writes its number once it takes connections.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" 2>"$dir/server.log" &
server=$!
tries=0
until [ -s "$dir/display" ]; do
    tries=$((tries + 1))
    [ "$tries" -le 100 ] || { echo "the X server did not start"; cat "$dir/server.log"; exit 1; }
    sleep 0.1
done
DISPLAY=:$(cat "$dir/display")
export DISPLAY

openbox --sm-disable >"$dir/manager.log" 2>&1 &
manager=$!
tries=0
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
    tries=$((tries + 1))
    [ "$tries" -le 100 ] || { echo "the window manager did not start"; cat "$dir/manager.log"; exit 1; }
    sleep 0.1
done

# Qt's own dialogs, as on a desktop without a platform theme.
unset QT_QPA_PLATFORMTHEME
QT_QPA_PLATFORM=xcb "$@"
