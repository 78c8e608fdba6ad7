#!/bin/sh
# Runs a program on a private X server with a window manager, as on a user's desktop:
# keys and clicks go through the server, and the manager gives the focus and places the
# windows. A failed run is shown and tried once more on a fresh server: a desktop under a
# fully loaded machine now and then loses what no program controls (the manager's timing).
# usage: run-under-xvfb.sh PROGRAM [ARGUMENTS...]
set -eu
dir=$(mktemp -d)
server=
manager=
stopDesktop() {
    if [ -n "$manager" ]; then kill "$manager" 2>/dev/null || true; fi
    if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; fi
    manager=
    server=
}
trap 'stopDesktop; rm -rf "$dir"' EXIT

startDesktop() {
    rm -f "$dir/display"
    # The server picks a free display and writes its number once it takes connections.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" 2>"$dir/server.log" &
    server=$!
    tries=0
    until [ -s "$dir/display" ]; do
        tries=$((tries + 1))
        [ "$tries" -le 100 ] || { echo "the X server did not start"; cat "$dir/server.log"; return 1; }
        sleep 0.1
    done
    DISPLAY=:$(cat "$dir/display")
    export DISPLAY

    openbox --sm-disable >"$dir/manager.log" 2>&1 &
    manager=$!
    tries=0
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        tries=$((tries + 1))
        [ "$tries" -le 100 ] || { echo "the window manager did not start"; cat "$dir/manager.log"; return 1; }
        sleep 0.1
    done
}

# Qt's own dialogs, as on a desktop without a platform theme.
unset QT_QPA_PLATFORMTHEME
for attempt in 1 2; do
    status=0
    if startDesktop; then
        QT_QPA_PLATFORM=xcb "$@" || status=$?
    else
        status=1
    fi
    stopDesktop
    [ "$status" -ne 0 ] || exit 0
    [ "$attempt" -eq 2 ] || echo "run-under-xvfb: attempt $attempt failed (exit $status), trying once more on a fresh display"
done
exit "$status"
