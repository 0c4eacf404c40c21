#!/usr/bin/env bash
# qent.exe under Wine and Xvfb, unpacked from the zip a player gets: without a display, or
# with a file missing, it says why in one line (and a message box) and ends with 1; full
# screen shows the title at 2x, pixel for pixel, letterboxed; --window and Alt+Enter switch
# the window; Enter starts play, relative motion moves the sight by what Linux moves it, a
# click on a duck found on the screen changes the score, and Escape fades and ends with 0.
# There is no sound driver in the prefix (scripts/test-windows): the game plays silent.
# Argument: the cross build folder. WINEPREFIX must name a ready prefix.
set -uo pipefail
build=$(realpath "${1:?the cross build folder}")
source_dir=$(realpath "$(dirname "$0")/../..")
wine_run=$source_dir/scripts/wine-run
: "${WINEPREFIX:?a Wine prefix (scripts/test-windows makes one)}"

work=$(mktemp -d "${TMPDIR:-/tmp}/qent-windows-e2e.XXXXXX")
xvfb_pid=""
game_pid=""
cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
    /usr/lib/wine/wineserver -k 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    [ -n "${E2E_KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    if [ -n "${DISPLAY:-}" ] && /usr/bin/import -window root "$build/e2e-windows-last.png" 2>/dev/null; then
        echo "last screen: $build/e2e-windows-last.png" >&2
    fi
    [ -f "$work/qent.log" ] && { echo "--- qent's output:" >&2; grep -v '^ALSA' "$work/qent.log" >&2; }
    exit 1
}

for tool in Xvfb xdotool /usr/bin/import /usr/bin/convert /usr/bin/compare; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (scripts/install-deps)"
done

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.4f\", $* }"; }
is_true() { awk "BEGIN { exit !($*) }"; }

# ---- The zip, unpacked as a player would
zip=$(ls "$source_dir"/dist/qent-*-windows.zip 2>/dev/null | head -n1)
[ -n "$zip" ] || fail "no dist/qent-*-windows.zip (make windows)"
(cd "$work" && cmake -E tar xf "$zip") || fail "cannot unpack $zip"
game_dir=$(ls -d "$work"/qent-*/ | head -n1)
game_dir=${game_dir%/}
for f in qent.exe README.txt TOXICBG.BMP death.BMP start.BMP Scanning.BMP Lockedon.bmp Duck.bmp \
    deadduck.bmp Rifle.WAV Beep.wav; do
    [ -f "$game_dir/$f" ] || fail "the zip has no $f"
done
[ "$(ls "$game_dir" | wc -l)" = 11 ] || fail "the zip holds more than the 11 files: $(ls "$game_dir")"
echo "ok: the zip holds qent.exe, README.txt and the nine files"

# ---- --version and --help print as on Linux and end with 0, without a window
version=$(cd "$game_dir" && env -u DISPLAY timeout 60 "$wine_run" qent.exe --version 2>/dev/null)
[[ "$version" =~ ^qent\ [0-9]+\.[0-9]+\.[0-9]+ ]] || fail "--version printed: $version"
help=$(cd "$game_dir" && env -u DISPLAY timeout 60 "$wine_run" qent.exe --help 2>/dev/null)
[[ "$help" == "usage: qent [--window]"*"Alt+Enter"* ]] || fail "--help printed: $help"
echo "ok: --version -> $version; --help -> the usage"
/usr/lib/wine/wineserver -w  # gone before a display is there (see the last check)

# Starts Xvfb at WxH with a display number of its own choosing.
start_xvfb() {
    stop_xvfb
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$work/display" \
        >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        if [ -s "$work/display" ] && DISPLAY=":$(head -n1 "$work/display")" xdotool \
            getdisplaygeometry >/dev/null 2>&1; then
            export DISPLAY=":$(head -n1 "$work/display")"
            return 0
        fi
        sleep 0.1
    done
    fail "Xvfb did not start: $(cat "$work/xvfb.log")"
}
stop_xvfb() {
    if [ -n "$xvfb_pid" ]; then
        /usr/lib/wine/wineserver -k 2>/dev/null
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
        xvfb_pid=""
        : >"$work/display"
    fi
}

start_qent() {  # in the game's folder, with flags
    (cd "$game_dir" && exec "$wine_run" qent.exe "$@") >"$work/qent.log" 2>&1 &
    game_pid=$!
}
wait_exit() {  # seconds; sets exit_code
    for _ in $(seq $(($1 * 10))); do
        if ! kill -0 "$game_pid" 2>/dev/null; then
            exit_code=0
            wait "$game_pid" || exit_code=$?
            game_pid=""
            return 0
        fi
        sleep 0.1
    done
    fail "qent.exe was still running after $1 s"
}
window_id() { xdotool search --name "^$1\$" 2>/dev/null | head -n1; }
geometry() {  # window title -> "W H X Y"
    local id
    id=$(window_id "$1")
    [ -n "$id" ] || return 1
    xdotool getwindowgeometry --shell "$id" | awk -F= '
        /^WIDTH/ {w=$2} /^HEIGHT/ {h=$2} /^X/ {x=$2} /^Y/ {y=$2} END {print w, h, x, y}'
}
key() {  # keys for the game's window: the pointer goes there first (no window manager)
    local w h x y
    read -r w h x y < <(geometry "Qent Game Console") || fail "no game window for keys"
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) key "$@"
}
title_is_up() { [ -n "$(window_id "Qent Game Console")" ]; }
# Sets first_frame to the seconds from $launched until the game's window shows anything.
wait_first_frame() {
    first_frame=""
    while is_true "$(now) - $launched < 60"; do
        kill -0 "$game_pid" 2>/dev/null || fail "qent.exe ended during start-up"
        if title_is_up; then
            /usr/bin/import -window root "$work/first.png" 2>/dev/null
            if [ "$(/usr/bin/convert "$work/first.png" -format '%[fx:maxima]' info:)" != 0 ]; then
                first_frame=$(calc "$(now) - $launched")
                return 0
            fi
        fi
        sleep 0.05
    done
    fail "no frame within 60 s"
}

start_xvfb 1920x1080

# ---- A file missing: the line on stderr and in a message box, status 1, no game window
mkdir "$work/incomplete"
cp "$game_dir"/* "$work/incomplete/"
rm "$work/incomplete/Duck.bmp"
(cd "$work/incomplete" && exec "$wine_run" qent.exe) >"$work/missing.out" 2>"$work/missing.err" &
game_pid=$!
box=""
for _ in $(seq 600); do  # the first window of a new prefix starts Wine's desktop: slow
    box=$(window_id Qent)
    [ -n "$box" ] && break
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.1
done
[ -n "$box" ] || fail "no message box for the missing file: $(cat "$work/missing.err")"
sleep 0.5
/usr/bin/import -window root "$build/e2e-windows-missing.png" 2>/dev/null
title_is_up && fail "the game window opened although Duck.bmp is missing"
read -r w h x y < <(geometry Qent)
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1 key Return
wait_exit 20
[ "$exit_code" = 1 ] || fail "with Duck.bmp missing qent.exe ended with $exit_code, expected 1"
line=$(grep -v '^ALSA' "$work/missing.err" | grep -i 'duck.bmp')
[ -n "$line" ] || fail "stderr does not name Duck.bmp: $(cat "$work/missing.err")"
echo "ok: Duck.bmp missing -> a message box (picture: $build/e2e-windows-missing.png), status 1: $line"

# ---- Full screen: the title at 2x, centred, black bars; --window; Alt+Enter
FRAME_W=1280
FRAME_H=960
TEXT_BOX="rectangle 1080,880 1279,959"  # the version text in the corner
/usr/bin/convert "$game_dir/start.BMP" -sample 200% -fill black -draw "$TEXT_BOX" \
    "$work/title.png" || fail "cannot read start.BMP"

# Waits for the title, exact at 2x, somewhere in the game's window; sets TITLE_X, TITLE_Y.
wait_for_title() {
    local difference="no window" w h x y fx fy
    for _ in $(seq 80); do
        if read -r w h x y < <(geometry "Qent Game Console"); then
            /usr/bin/import -window root "$work/shot.png" 2>/dev/null
            fx=$((x + (w - FRAME_W) / 2))
            fy=$((y + (h - FRAME_H) / 2))
            if [ "$fx" -ge 0 ] && [ "$fy" -ge 0 ]; then
                /usr/bin/convert "$work/shot.png" -crop "${FRAME_W}x${FRAME_H}+$fx+$fy" +repage \
                    -fill black -draw "$TEXT_BOX" "$work/frame.png"
                difference=$(/usr/bin/compare -metric AE "$work/frame.png" "$work/title.png" \
                    null: 2>&1)
                if [ "$difference" = 0 ]; then
                    TITLE_X=$fx
                    TITLE_Y=$fy
                    return 0
                fi
            fi
        fi
        sleep 0.5
    done
    fail "the title never showed at 2x ($difference pixels differ; window: $(geometry "Qent Game Console"); windows: $(xdotool search --name . getwindowname %@ 2>/dev/null | tr "\n" ,))"
}
expect_geometry() {
    local got
    got=$(geometry "Qent Game Console" | awk '{print $1 "x" $2}')
    [ "$got" = "$1" ] || fail "the window is $got, expected $1"
}
expect_black() {
    local max
    max=$(/usr/bin/convert "$1" -crop "$2" +repage -format '%[fx:maxima]' info:)
    [ "$max" = 0 ] || fail "the bar $2 is not black (brightest $max)"
}
quit_with_escape() {
    key Escape
    wait_exit 20
    [ "$exit_code" = 0 ] || fail "Escape ended qent.exe with $exit_code, expected 0"
}

launched=$(now)
start_qent
wait_first_frame
echo "measured: first frame ${first_frame}s after start (the first program on this display)"
wait_for_title
expect_geometry 1920x1080
[ "$TITLE_X $TITLE_Y" = "320 60" ] || fail "frame at ($TITLE_X, $TITLE_Y), expected (320, 60)"
/usr/bin/import -window root "$work/full.png"
cp "$work/full.png" "$build/e2e-windows-title.png"
expect_black "$work/full.png" "320x1080+0+0"
expect_black "$work/full.png" "320x1080+1600+0"
expect_black "$work/full.png" "1280x60+320+0"
expect_black "$work/full.png" "1280x60+320+1020"
echo "ok: full screen shows the title at 2x, pixel for pixel, letterboxed"
quit_with_escape
echo "ok: Escape -> status 0"

launched=$(now)
start_qent --window
wait_first_frame
echo "measured: first frame ${first_frame}s after start (Wine's desktop already running)"
wait_for_title
expect_geometry "${FRAME_W}x${FRAME_H}"
key alt+Return
sleep 1.5
expect_geometry 1920x1080
wait_for_title  # still the title: Alt+Enter is not the game's Enter
key alt+Return
sleep 1.5
expect_geometry "${FRAME_W}x${FRAME_H}"
echo "ok: --window opens a 1280x960 window; Alt+Enter goes full screen and back"
quit_with_escape
echo "ok: Escape -> status 0"

# ---- Play on a 1280x960 screen, which the frame fills at 2x
start_xvfb 1280x960
for picture in start TOXICBG death; do
    /usr/bin/convert "$game_dir/$picture.BMP" -scale 200% -depth 8 "rgb:$work/$picture.rgb" ||
        fail "cannot read $picture.BMP"
done
grab() { /usr/bin/import -window root -depth 8 "rgb:$1"; }
difference_mask() {  # a.rgb b.rgb geometry [more convert arguments]
    local a=$1 b=$2 region=$3
    shift 3
    /usr/bin/convert -size 1280x960 -depth 8 -extract "$region" "rgb:$a" \
        \( -size 1280x960 -depth 8 -extract "$region" "rgb:$b" \) \
        -compose difference -composite -separate -evaluate-sequence max -threshold 6% "$@"
}
differences_box() { difference_mask "$1" "$2" "$3" -format "%@" info: 2>/dev/null; }
count_differences() {
    difference_mask "$1" "$2" "$3" -precision 12 -format "%[fx:round(mean*w*h)]" info:
}
screen_is() {  # background name -> 0 when it fills at least 90% of the screen
    grab "$work/screen.rgb"
    local differing
    differing=$(count_differences "$work/screen.rgb" "$work/$1.rgb" 1280x960+0+0)
    [ -n "$differing" ] && [ "$differing" -lt 122880 ]
}
# 8/3 screen pixels move the sight one game pixel: half for the 2x scale, 3/4 the game's gain.
move_aim() { xdotool mousemove_relative -- "$1" "$2"; }
# The sight as far up and left as it goes: centre (0, 0). Each move stops at the screen's
# edge (Wine measures motion by the cursor), so it takes a few.
aim_to_corner() {
    for _ in 1 2 3; do
        move_aim -3000 -3000
        sleep 0.1
    done
}

launched=$(now)
start_qent
wait_first_frame
echo "measured: first frame ${first_frame}s after start (the first program on this display)"

title_seen=0
for _ in $(seq 60); do
    sleep 0.5
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended early"
    if screen_is start; then
        title_seen=1
        break
    fi
done
[ "$title_seen" = 1 ] || fail "the title did not come up after the intro"
key Return
sleep 0.7
screen_is TOXICBG || fail "Enter did not start play"
echo "ok: the intro gives way to the title; Enter starts play"

# ---- Relative motion: from the corner, 160 screen pixels right and down put the sight's
# centre at (60, 60) (120, 120 on the screen), and 80 more to the right at (90, 60), as on
# Linux. The sight turns as it animates, so its centre is compared, not its edges.
sight_centre() {  # the centre of what differs from the background in the sky, or nothing
    grab "$work/screen.rgb"
    local box w h x y
    box=$(differences_box "$work/screen.rgb" "$work/TOXICBG.rgb" 400x300+0+40)
    IFS='x+' read -r w h x y <<<"$box"
    # The sight alone: a duck in the region makes the box too large.
    [ "${w:-0}" -ge 90 ] && [ "$w" -le 128 ] && [ "$h" -ge 90 ] && [ "$h" -le 128 ] &&
        echo "$((x + w / 2)) $((y + 40 + h / 2))"
}
near() { [ "$(($1 - $2))" -ge -2 ] && [ "$(($1 - $2))" -le 2 ]; }
motion_checked=0
for attempt in 1 2 3 4 5; do
    aim_to_corner
    sleep 0.3
    move_aim 160 160
    sleep 0.4
    first=$(sight_centre)
    move_aim 80 0
    sleep 0.4
    second=$(sight_centre)
    read -r x1 y1 <<<"${first:-0 0}"
    read -r x2 y2 <<<"${second:-0 0}"
    if near "$x1" 120 && near "$y1" 120 && near "$x2" 180 && near "$y2" 120; then
        motion_checked=1
        break
    fi
    echo "motion try $attempt: sight's centre at (${first:-not seen}), then (${second:-not seen})"
    screen_is TOXICBG || { key Return; sleep 0.3; key Return; sleep 0.7; }
done
[ "$motion_checked" = 1 ] || fail "relative motion did not move the sight as on Linux"
echo "ok: relative motion moves the sight as on Linux: centre at ($first), then ($second)"

# ---- A click on a duck found on the screen changes the score. The sight waits on the row of
# a duck found in a screenshot, left of it; lock_watch sees the sight turn red as the duck
# flies under it, and the click follows at once.
g++ -O2 -std=c++20 "$source_dir/tests/windows/lock_watch.cpp" -o "$work/lock_watch" -lX11 ||
    fail "cannot build tests/windows/lock_watch.cpp (libx11-dev)"
score_region=160x36+0+0
aim_x=120  # the column where the sight waits (game pixels)
try_shot() {
    aim_to_corner
    local box w h x y
    grab "$work/screen.rgb"
    box=$(differences_box "$work/screen.rgb" "$work/TOXICBG.rgb" 1280x880+0+80)
    IFS='x+' read -r w h x y <<<"$box"
    [ "${w:-0}" -gt 150 ] && [ "$w" -lt 400 ] || { note="no whole duck in sight"; return 1; }
    y=$((y + 80))
    local left=$((x / 2 - 5)) bottom=$(((y + h) / 2))
    [ "$left" -gt $((aim_x + 20)) ] || { note="the duck at $left has passed the sight"; return 1; }
    [ "$y" -gt 80 ] && [ "$bottom" -lt 470 ] || { note="the duck is partly hidden"; return 1; }
    # The aim rows run from the box's top + 20 to its bottom; the painted bottom lies about
    # 52 rows below the box's top.
    local aim_y=$((bottom - 10))
    move_aim $((aim_x * 8 / 3)) $((aim_y * 8 / 3))
    if "$work/lock_watch" $((aim_x * 2 - 48)) $((aim_y * 2 - 48)) 96 8000; then
        xdotool click 1
        note="the duck seen at $left, locked on at column $aim_x"
        return 0
    fi
    note="the sight never locked on"
    return 1
}
hit=0
note=""
for attempt in $(seq 20); do
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended during play"
    if screen_is death; then
        key Return
        sleep 0.2
        key Return
        sleep 0.5
    fi
    grab "$work/score_before.rgb"
    if try_shot; then
        sleep 0.4
        grab "$work/score_after.rgb"
        changed=$(count_differences "$work/score_before.rgb" "$work/score_after.rgb" "$score_region")
        if [ "${changed:-0}" -gt 20 ] && screen_is TOXICBG; then
            echo "ok: hit on try $attempt ($note): $changed pixels of the score changed"
            hit=1
            break
        fi
        echo "try $attempt missed: $note"
    else
        echo "try $attempt: $note"
    fi
done
[ "$hit" = 1 ] || fail "no shot changed the score in 20 tries"
/usr/bin/convert -size 1280x960 -depth 8 "rgb:$work/score_after.rgb" "$build/e2e-windows-hit.png"

# The frame rate held: the first level's ducks fly 10 game pixels a frame, so their speed
# over a second or two of screenshots (each timed by its middle) gives frames per second.
speed_sample() {  # -> "time left" of a whole duck, or nothing
    local t0 t1 box w h x y
    t0=$(now)
    grab "$work/screen.rgb"
    t1=$(now)
    box=$(differences_box "$work/screen.rgb" "$work/TOXICBG.rgb" 1280x880+0+80)
    IFS='x+' read -r w h x y <<<"$box"
    [ "${w:-0}" -gt 150 ] && [ "$w" -lt 400 ] && [ "$x" -gt 0 ] && echo "$(calc "($t0 + $t1) / 2") $((x / 2 - 5))"
}
rate=""
for _ in $(seq 10); do
    aim_to_corner
    read -r ta la <<<"$(speed_sample)"
    [ -n "${la:-}" ] && [ "$la" -gt 250 ] || { sleep 0.3; continue; }
    sleep 0.5
    read -r tb lb <<<"$(speed_sample)"
    if [ -n "${lb:-}" ] && [ "$lb" -lt "$la" ]; then
        rate=$(calc "($la - $lb) / ($tb - $ta) / 10")
        break
    fi
done
echo "measured: ${rate:-no} frames/s from the duck's flight (33 ms frames give 30.3)"

# ---- Escape: the palette fades, then the program ends with 0
escape_at=$(now)
key Escape
wait_exit 20
[ "$exit_code" = 0 ] || fail "Escape ended qent.exe with $exit_code, expected 0"
echo "ok: Escape -> fade and status 0 after $(calc "$(now) - $escape_at") s (silent all along: no sound driver)"
# ---- No display: the one line, status 1. Last, with Wine's server gone first: a server
# started without a display goes on answering later programs with a screen of its own.
stop_xvfb
/usr/lib/wine/wineserver -w
status=0
(cd "$game_dir" && env -u DISPLAY timeout 60 "$wine_run" qent.exe) >"$work/nodisplay.out" \
    2>"$work/nodisplay.err" || status=$?
[ "$status" = 1 ] || fail "without a display qent.exe ended with $status, expected 1"
line=$(grep '^qent: ' "$work/nodisplay.err")
[ "$(printf '%s\n' "$line" | grep -c .)" = 1 ] && [[ "$line" == *"no display"* ]] ||
    fail "without a display qent.exe said: $(cat "$work/nodisplay.err")"
echo "ok: no display -> status 1: $line"

echo "PASS"
