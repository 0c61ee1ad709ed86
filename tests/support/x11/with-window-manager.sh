#!/usr/bin/env bash
# Runs a command on a private X display (Xvfb) with a real window manager
# (openbox), as a desktop user's session has one: frames, title bars and
# frame extents that arrive after a window is mapped. Both servers are
# stopped by their process IDs when the command ends.
#   with-window-manager.sh <command> [args...]
set -uo pipefail
for tool in Xvfb openbox xprop xwininfo; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed (scripts/setup installs it)"
        exit 77
    fi
done
tmp=$(mktemp -d)
xvfb=""
wm=""
cleanup() {
    [ -n "$wm" ] && kill "$wm" 2>/dev/null && wait "$wm" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$tmp/display" ] && break
    sleep 0.1
done
if ! [ -s "$tmp/display" ]; then
    echo "Xvfb did not start:"; cat "$tmp/xvfb.log"; exit 1
fi
export DISPLAY=":$(head -n1 "$tmp/display")"
openbox --sm-disable >"$tmp/wm.log" 2>&1 &
wm=$!
# The window manager is up once it has announced itself on the root window.
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.1
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
    echo "openbox did not start:"; cat "$tmp/wm.log"; exit 1
fi
export QT_QPA_PLATFORM=xcb
"$@"
