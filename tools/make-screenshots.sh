#!/bin/sh
# Builds tandrel-screenshots and runs it on a virtual display, writing one PNG per window.
# Usage: tools/make-screenshots.sh [OUTDIR]   (default docs/screenshots; BUILD_DIR default build)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
out=${1:-docs/screenshots}
case $out in /*) ;; *) out=$(pwd)/$out ;; esac

if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "make-screenshots: xvfb-run is missing; install the Debian package xvfb" >&2
    exit 1
fi
if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
    cmake -S "$root" -B "$build" -G Ninja
fi
cmake --build "$build" --target tandrel-screenshots
mkdir -p "$out"

# Qt must draw on the virtual display, whatever the caller's session uses.
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
xvfb-run -a -s "-screen 0 1280x900x24" "$build/tools/tandrel-screenshots" "$out"
echo "make-screenshots: screenshots are in $out"
