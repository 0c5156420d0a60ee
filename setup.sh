#!/usr/bin/env bash
# Builds Tandrel on Debian 12 and either starts it on the simulated handset or runs the tests.
#   ./setup.sh run    install what is missing, build, start the program
#   ./setup.sh test   install what is missing, build, run every test
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="${TANDREL_BUILD_DIR:-$here/build}"
mode="${1:-}"

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-serialport-dev qt6-multimedia-dev qt6-qpa-plugins libgl-dev
    libvterm-dev lrzsz man-db
    libgtest-dev libgmock-dev libbenchmark-dev
    python3-gammu # an independent SMS decoder for the round-trip tests
    # Window tests that need frames and captions run on a virtual X server under openbox, a
    # small window manager that frames windows as desktops do and reports its frame extents
    # and allowed actions; xprop reads what the server shows.
    xvfb xauth openbox x11-utils fonts-dejavu-core
)

case "$mode" in
run | test) ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
jobs="$(nproc)"

if [ "$mode" = run ]; then
    cmake --build "$build" -j "$jobs" --target tandrel tandrel-modemsim
    cd "$build"
    exec "$build/app/tandrel" "$here/examples/simulator.sms"
fi

cmake --build "$build" -j "$jobs"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 300
