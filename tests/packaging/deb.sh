#!/usr/bin/env bash
# The game and the library as a user gets them: the Debian packages built, installed with
# apt, the game started from / with no flag under Xvfb (the title comes up, Escape ends it
# with 0), an example built on libqent-dev through pkg-config, the packages removed again;
# then a `make install DESTDIR=...` tree holds every file and still plays once moved.
# Run as root (apt), from the checkout: tests/packaging/deb.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
work=$(mktemp -d "${TMPDIR:-/tmp}/qent-deb.XXXXXX")
xvfb_pid=""
game_pid=""
cleanup() {
    [ -z "$game_pid" ] || kill "$game_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ ! -f "$work/game.log" ] || cat "$work/game.log" >&2; exit 1; }
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

Xvfb -displayfd 3 -screen 0 1280x960x24 -nolisten tcp -noreset 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && DISPLAY=":$(head -n1 "$work/display")" xdotool getdisplaygeometry \
        >/dev/null 2>&1 && break
    sleep 0.1
done
export DISPLAY=":$(head -n1 "$work/display")"

# Plays the binary from folder with no flag: the title fills the screen at twice its size
# (full screen on 1280x960), then Escape ends it with status 0 after the fade.
play_from() {  # binary folder title.BMP
    local binary=$1 folder=$2 title=$3
    /usr/bin/convert "$title" -scale 200% -depth 8 "rgb:$work/title.rgb"
    (cd "$folder" && exec env SDL_AUDIODRIVER=dummy "$binary") >"$work/game.log" 2>&1 &
    game_pid=$!
    local seen=0
    for _ in $(seq 60); do
        sleep 0.5
        kill -0 "$game_pid" 2>/dev/null || fail "$binary ended early"
        /usr/bin/import -window root -depth 8 "rgb:$work/screen.rgb"
        local differing
        differing=$(/usr/bin/convert -size 1280x960 -depth 8 "rgb:$work/screen.rgb" \
            \( -size 1280x960 -depth 8 "rgb:$work/title.rgb" \) -compose difference -composite \
            -separate -evaluate-sequence max -threshold 6% -precision 12 \
            -format "%[fx:round(mean*w*h)]" info:)
        if [ "$differing" -lt 61440 ]; then  # 95% of the screen is the title
            seen=1
            break
        fi
    done
    [ "$seen" = 1 ] || fail "$binary from $folder: the title did not come up"
    xdotool mousemove 640 480 key Escape
    for _ in $(seq 100); do
        kill -0 "$game_pid" 2>/dev/null || break
        sleep 0.1
    done
    local status=0
    wait "$game_pid" || status=$?
    game_pid=""
    [ "$status" = 0 ] || fail "$binary from $folder ended with $status after Escape"
    echo "ok: $binary from $folder: title, Escape, status 0"
}

# ---- The packages
scripts/make-deb
version=$(dpkg-parsechangelog -S Version)
arch=$(dpkg --print-architecture)
$sudo apt-get install -y -qq "./dist/qent_${version}_${arch}.deb" \
    "./dist/libqent-dev_${version}_${arch}.deb" >"$work/apt.log" 2>&1 ||
    fail "apt-get install: $(tail -5 "$work/apt.log")"
removed=0
remove_packages() {
    [ "$removed" = 1 ] || $sudo apt-get remove -y -qq qent libqent-dev >/dev/null 2>&1 || true
    removed=1
}
trap 'remove_packages; cleanup' EXIT
play_from /usr/games/qent / /usr/share/games/qent/start.BMP
man -w qent >/dev/null || fail "no man page for qent"
desktop-file-validate /usr/share/applications/qent.desktop
grep -qx 'Exec=/usr/games/qent' /usr/share/applications/qent.desktop ||
    fail "the desktop entry does not start /usr/games/qent"
g++ -std=c++20 -o "$work/hello" examples/hello.cpp $(pkg-config --cflags --libs qent)
"$work/hello" --headless --frames 3 || fail "hello built on libqent-dev did not run"
echo "ok: examples/hello.cpp built through pkg-config on libqent-dev, ran headless"
remove_packages
[ ! -e /usr/games/qent ] && [ ! -e /usr/include/qent/qent.h ] || fail "the packages left files"
echo "ok: packages removed"

# ---- make install DESTDIR=... with a prefix of its own
prefix=/opt/qent-test
make --no-print-directory install PREFIX="$prefix" DESTDIR="$work/dest" >"$work/install.log" 2>&1 ||
    fail "make install: $(tail -5 "$work/install.log")"
tree="$work/dest$prefix"
expected=(
    games/qent
    share/games/qent/TOXICBG.BMP share/games/qent/death.BMP share/games/qent/start.BMP
    share/games/qent/Scanning.BMP share/games/qent/Lockedon.bmp share/games/qent/Duck.bmp
    share/games/qent/deadduck.bmp share/games/qent/Rifle.WAV share/games/qent/Beep.wav
    share/applications/qent.desktop share/metainfo/org.qent.qent.metainfo.xml
    share/man/man6/qent.6
    share/icons/hicolor/16x16/apps/qent.png share/icons/hicolor/32x32/apps/qent.png
    share/icons/hicolor/48x48/apps/qent.png share/icons/hicolor/64x64/apps/qent.png
    share/icons/hicolor/128x128/apps/qent.png share/icons/hicolor/256x256/apps/qent.png
    include/qent/qent.h include/qent/version.h include/qent/host.h include/qent/shell.h
    lib/libqent.a lib/pkgconfig/qent.pc lib/cmake/Qent/QentConfig.cmake
    share/doc/qent/LIBRARY.md
)
for file in "${expected[@]}"; do
    [ -f "$tree/$file" ] || fail "make install left out $prefix/$file"
done
echo "ok: make install DESTDIR=... holds all ${#expected[@]} files"
# Moved somewhere else it still finds its data, from any folder.
mv "$tree" "$work/moved"
play_from "$work/moved/games/qent" / "$work/moved/share/games/qent/start.BMP"
