#!/bin/sh
# Runs one command on a virtual X display of its own (Xvfb) under the openbox window manager,
# so windows get real frames and captions. Tests run in parallel: every run picks a free
# display (-displayfd) and stops its own server and window manager.
set -u
for tool in Xvfb openbox xprop; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "run-on-x: $tool is missing; ./setup.sh test installs it" >&2
        exit 1
    fi
done
fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" 2>/dev/null &
xpid=$!
wpid=
stop() {
    [ -n "$wpid" ] && kill "$wpid" 2>/dev/null
    kill "$xpid" 2>/dev/null
    rm -f "$fdfile"
}
trap stop EXIT
i=0
while [ ! -s "$fdfile" ] && [ $i -lt 200 ]; do sleep 0.1; i=$((i + 1)); done
if [ ! -s "$fdfile" ]; then
    echo "run-on-x: Xvfb did not start" >&2
    exit 1
fi
DISPLAY=:$(head -n1 "$fdfile")
export DISPLAY
wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
# On a loaded machine the window manager may be slow to come up or may die on start; without
# it windows have no frames and every size test would fail for a reason of its own.
tries=0
while :; do
    openbox --sm-disable >/dev/null 2>&1 &
    wpid=$!
    i=0
    while ! wm_up && kill -0 "$wpid" 2>/dev/null && [ $i -lt 600 ]; do
        sleep 0.1
        i=$((i + 1))
    done
    wm_up && break
    kill "$wpid" 2>/dev/null
    wpid=
    tries=$((tries + 1))
    if [ $tries -ge 3 ]; then
        echo "run-on-x: openbox did not start on $DISPLAY" >&2
        exit 1
    fi
done
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
# Under AddressSanitizer: libxkbcommon-x11 reads the server's keymap names with strndup past
# their end (its bug, not ours), which the strndup check would report at start-up.
if [ -n "${ASAN_OPTIONS:-}" ]; then
    ASAN_OPTIONS="$ASAN_OPTIONS:intercept_strndup=0"
    export ASAN_OPTIONS
fi
"$@"
