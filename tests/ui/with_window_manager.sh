#!/bin/sh
# Runs a window test as a desktop would show it: on a virtual display of 1280 x 800 with a window
# manager, which places, stacks and activates the windows. Sizing and stacking faults show only
# there, not on Qt's offscreen platform.
set -eu
for tool in xvfb-run openbox xdotool xprop; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/deps.sh installs it)" >&2; exit 1; }
done
exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" sh -c '
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    # The test starts once the window manager has taken the display.
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.1
    done
    status=0
    "$@" || status=$?
    kill "$wm" 2>/dev/null || true
    exit "$status"
' sh "$@"
