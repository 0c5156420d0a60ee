#!/bin/sh
# Builds the program from scratch, installs it into a staging folder and builds the Debian
# package, then checks that both hold what an operator needs.
#   packaging/check-install.sh [BUILD_DIR]
# BUILD_DIR defaults to a new folder under /tmp; an existing one is configured afresh.
set -eu

need() {
    command -v "$1" >/dev/null 2>&1 || {
        echo "check-install: '$1' is missing; install the $2 package and run again." >&2
        exit 2
    }
}
need cmake cmake
need cpack cmake
need dpkg-deb dpkg
need dpkg-shlibdeps dpkg-dev

src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$(mktemp -d /tmp/tandrel-build.XXXXXX)}
stage=$(mktemp -d /tmp/tandrel-stage.XXXXXX)
home=$(mktemp -d /tmp/tandrel-home.XXXXXX)
jobs=${JOBS:-2}
failures=0
expected="usr/bin/tandrel
usr/bin/tandrel-cli
usr/bin/tandrel-modemsim
usr/bin/tandrel-pdu
usr/share/applications/tandrel.desktop
usr/share/icons/hicolor/scalable/apps/tandrel.svg
usr/share/man/man1/tandrel-cli.1.gz
usr/share/man/man1/tandrel-modemsim.1.gz
usr/share/man/man1/tandrel-pdu.1.gz
usr/share/man/man1/tandrel.1.gz
usr/share/tandrel/MessagingModeAlert.wav"

# Installed files that nobody meant to install.
strangers() {
    (cd "$stage" && find . ! -type d | sed 's|^\./||' | sort) | grep -v -x -F "$expected" || true
}

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

echo "== configure $build"
mkdir -p "$build"
cmake --fresh -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTANDREL_BUILD_TESTS=OFF -DTANDREL_BUILD_BENCH=OFF >"$build/configure.log" 2>&1 || {
    cat "$build/configure.log" >&2
    exit 1
}

echo "== build"
cmake --build "$build" -j"$jobs"

echo "== install into $stage"
DESTDIR="$stage" cmake --install "$build" --prefix /usr
(cd "$stage" && find . ! -type d | sort)

for f in usr/bin/tandrel usr/bin/tandrel-cli usr/bin/tandrel-modemsim usr/bin/tandrel-pdu; do
    [ -x "$stage/$f" ] || fail "$f is not installed as a program"
done
for f in usr/share/tandrel/MessagingModeAlert.wav usr/share/applications/tandrel.desktop \
    usr/share/icons/hicolor/scalable/apps/tandrel.svg; do
    [ -s "$stage/$f" ] || fail "$f is missing or empty"
done
extra=$(strangers)
[ -z "$extra" ] || fail "files installed that should not be: $extra"
if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$stage/usr/share/applications/tandrel.desktop" ||
        fail "the desktop entry does not validate"
fi

echo "== run the installed programs"
"$stage/usr/bin/tandrel-pdu" --help >/dev/null || fail "tandrel-pdu --help failed"
"$stage/usr/bin/tandrel-modemsim" --help >/dev/null || fail "tandrel-modemsim --help failed"
# The command line talks to the simulated handset without a display.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$stage/usr/bin/tandrel-cli" --port SIMULATOR \
    --log-folder "$home" at AT | grep -q "^OK" || fail "tandrel-cli does not reach the simulator"
# Answered before any window exists: no display is needed.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$stage/usr/bin/tandrel" --version |
    grep -q "^Tandrel Software Version [0-9]" || fail "tandrel --version does not give the version"
for page in tandrel tandrel-cli tandrel-modemsim tandrel-pdu; do
    MANWIDTH=80 man --warnings -l "$stage/usr/share/man/man1/$page.1.gz" >/dev/null 2>"$home/man.log" &&
        [ ! -s "$home/man.log" ] || fail "the manual page of $page does not format cleanly"
done
# Still running after three seconds means it started; it must keep the operator's files in
# the per-user data folder, not next to itself.
status=0
(cd "$home" && HOME="$home" XDG_DATA_HOME="$home/data" QT_QPA_PLATFORM=offscreen \
    timeout 3 "$stage/usr/bin/tandrel" >"$home/run.log" 2>&1) || status=$?
[ "$status" -eq 124 ] || {
    cat "$home/run.log" >&2
    fail "the installed tandrel ended early with status $status"
}
[ -d "$home/data/tandrel/Session" ] || fail "no Session folder in the per-user data folder"
extra=$(strangers)
[ -z "$extra" ] || fail "the installed tandrel wrote into its own folders: $extra"

echo "== package"
rm -rf "$build/packages"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$build/packages"
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb=$(find "$build/packages" -maxdepth 1 -name "tandrel_${version}_*.deb" | head -n 1)
if [ -z "$deb" ]; then
    fail "no tandrel_${version}_*.deb in $build/packages"
else
    echo "== $deb"
    info=$(dpkg-deb --info "$deb")
    echo "$info"
    contents=$(dpkg-deb --contents "$deb")
    echo "$contents"
    field() { echo "$info" | sed -n "s/^ $1: //p"; }
    [ "$(field Package)" = tandrel ] || fail "package name is '$(field Package)'"
    [ "$(field Version)" = "$version" ] || fail "package version is '$(field Version)'"
    [ "$(field Maintainer)" = "Tandrel developers" ] || fail "maintainer is '$(field Maintainer)'"
    field Recommends | grep -q -w lrzsz || fail "lrzsz is not recommended"
    for lib in libqt6widgets6 libqt6serialport6 libqt6multimedia6 libvterm0 libc6; do
        field Depends | grep -q -w "$lib" || fail "Depends lacks $lib"
    done
    for f in $expected; do
        echo "$contents" | grep -q " \./$f\$" || fail "the package lacks /$f"
    done
fi

if [ "$failures" -ne 0 ]; then
    echo "check-install: $failures check(s) failed; the staged tree is in $stage" >&2
    exit 1
fi
rm -rf "$stage" "$home"
echo "check-install: all checks passed"
