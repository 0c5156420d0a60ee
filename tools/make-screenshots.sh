#!/bin/sh
# Builds tandrel-screenshots and runs it on a virtual display, writing one PNG per window
# (needs the packages xvfb, openbox and x11-utils that ./setup.sh test installs).
# Usage: tools/make-screenshots.sh [OUTDIR]   (default docs/screenshots; BUILD_DIR default build)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
out=${1:-docs/screenshots}
case $out in /*) ;; *) out=$(pwd)/$out ;; esac

if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
    cmake -S "$root" -B "$build" -G Ninja
fi
cmake --build "$build" --target tandrel-screenshots
mkdir -p "$out"

# On a virtual display under a window manager, so the pictures show frames and captions.
"$root/tests/xserver/run-on-x.sh" "$build/tools/tandrel-screenshots" "$out"
echo "make-screenshots: screenshots are in $out"
