#!/bin/sh
# This program's receive path beside picocom under Xvfb; arguments go to bench_terminals.
set -e
cd "$(dirname "$0")/../.."
need=""
command -v Xvfb >/dev/null 2>&1 || need="$need xvfb"
command -v picocom >/dev/null 2>&1 || need="$need picocom"
if [ -n "$need" ]; then
    sudo=""
    [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get install -y $need
fi
[ -f build/build.ninja ] || [ -f build/Makefile ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target bench_terminals bench_receiver
exec build/bench/link/bench_terminals "$@"
