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

# ---- No display: the one line, status 1
status=0
(cd "$game_dir" && env -u DISPLAY timeout 60 "$wine_run" qent.exe) >"$work/nodisplay.out" \
    2>"$work/nodisplay.err" || status=$?
[ "$status" = 1 ] || fail "without a display qent.exe ended with $status, expected 1"
line=$(grep '^qent: ' "$work/nodisplay.err")
[ "$(printf '%s\n' "$line" | grep -c .)" = 1 ] && [[ "$line" == *"no display"* ]] ||
    fail "without a display qent.exe said: $(cat "$work/nodisplay.err")"
echo "ok: no display -> status 1: $line"

start_xvfb 1920x1080

# ---- A file missing: the line on stderr and in a message box, status 1, no game window
mkdir "$work/incomplete"
cp "$game_dir"/* "$work/incomplete/"
rm "$work/incomplete/Duck.bmp"
(cd "$work/incomplete" && exec "$wine_run" qent.exe) >"$work/missing.out" 2>"$work/missing.err" &
game_pid=$!
box=""
for _ in $(seq 200); do
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
    fail "the title never showed at 2x ($difference pixels differ)"
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

start_qent
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

start_qent --window
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
first_frame=""
while is_true "$(now) - $launched < 60"; do
    kill -0 "$game_pid" 2>/dev/null || fail "qent.exe ended during start-up"
    if title_is_up; then
        grab "$work/screen.rgb"
        brightest=$(/usr/bin/convert -size 1280x960 -depth 8 "rgb:$work/screen.rgb" -format '%[fx:maxima]' info:)
        if [ "$brightest" != 0 ]; then
            first_frame=$(calc "$(now) - $launched")
            break
        fi
    fi
    sleep 0.05
done
[ -n "$first_frame" ] || fail "no frame within 60 s"
echo "measured: first frame ${first_frame}s after start"

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

# ---- Relative motion: from the corner, 160 screen pixels right and down move the sight's
# centre to (60, 60); 80 more to the right to (90, 60). Its box is 64 wide, so the sight's
# painted left edge moves the same.
sight_box() {  # the sight's bounding box (screen pixels) in the sky, where no duck flies low
    grab "$work/screen.rgb"
    differences_box "$work/screen.rgb" "$work/TOXICBG.rgb" 400x300+0+40
}
motion_checked=0
for attempt in 1 2 3; do
    aim_to_corner
    sleep 0.3
    move_aim 160 160
    sleep 0.4
    first=$(sight_box)
    move_aim 80 0
    sleep 0.4
    second=$(sight_box)
    IFS='x+' read -r w1 h1 x1 y1 <<<"$first"
    IFS='x+' read -r w2 h2 x2 y2 <<<"$second"
    # The centre at (60, 60) puts the box's corner at (28, 28): (56, 56) on the screen, less
    # the 40 rows above the searched region. The drawn sight may start inside its box.
    if [ "${w1:-0}" -gt 100 ] && [ "${w1:-0}" -le 128 ] && [ "$((x2 - x1))" = 60 ] &&
        [ "$y1" = "$y2" ] && [ "$x1" -ge 56 ] && [ "$x1" -le 72 ] && [ "$y1" -ge 16 ] &&
        [ "$y1" -le 32 ]; then
        motion_checked=1
        break
    fi
    echo "motion try $attempt: sight at $first, then $second"
    screen_is TOXICBG || { key Return; sleep 0.3; key Return; sleep 0.7; }
done
[ "$motion_checked" = 1 ] || fail "relative motion did not move the sight as on Linux ($first, then $second)"
echo "ok: relative motion moves the sight 3/8 of a screen pixel per pixel, as on Linux ($first -> $second)"

# ---- A click on a duck found on the screen changes the score
score_region=160x36+0+0
grab "$work/score_before.rgb"
aim_x=120
target=$((aim_x - 59))
speed_guess=303
try_shot() {
    aim_to_corner
    sleep 0.1
    local t0 t1 box w h x y
    t0=$(now)
    grab "$work/screen.rgb"
    t1=$(now)
    box=$(differences_box "$work/screen.rgb" "$work/TOXICBG.rgb" 1280x880+0+80)
    IFS='x+' read -r w h x y <<<"$box"
    [ "${w:-0}" -gt 150 ] || { note="no whole duck in sight"; return 1; }
    y=$((y + 80))
    local first_left=$((x / 2 - 5)) first_t bottom needed
    first_t=$(calc "($t0 + $t1) / 2")
    bottom=$(((y + h) / 2))
    needed=$(awk -v s="$speed_guess" -v t="$target" 'BEGIN { printf "%d", t + s * 1.1 }')
    [ "$first_left" -gt "$needed" ] || { note="the duck at $first_left is too close"; return 1; }
    [ "$y" -gt 80 ] && [ "$bottom" -lt 470 ] || { note="the duck is partly hidden"; return 1; }
    local aim_y=$((bottom - 10))
    move_aim $((aim_x * 8 / 3)) $((aim_y * 8 / 3))
    local band_x=$((aim_x * 2 + 70))
    local band_top=$((y > 40 ? y - 40 : 0))
    local band="$((1280 - band_x))x$((h + 80))+${band_x}+${band_top}"
    local plan left speed remaining
    for _ in $(seq 20); do
        t0=$(now)
        grab "$work/screen.rgb"
        t1=$(now)
        box=$(differences_box "$work/screen.rgb" "$work/TOXICBG.rgb" "$band")
        IFS='x+' read -r w h x y <<<"$box"
        [ "${w:-0}" -gt 0 ] || { note="lost sight of the duck"; return 1; }
        plan=$(awk -v t0="$t0" -v t1="$t1" -v now="$(now)" -v right=$((band_x + x + w)) \
            -v first_t="$first_t" -v first_left="$first_left" -v target="$target" \
            -v nominal="$speed_guess" 'BEGIN {
                t = (t0 + t1) / 2; left = right / 2 - 120
                speed = t - first_t > 0.5 ? (first_left - left) / (t - first_t) : nominal
                if (speed < 100 || speed > 900) speed = nominal
                printf "%.1f %.1f %.3f", left, speed, t + (left - target) / speed - now - 0.05
            }')
        read -r left speed remaining <<<"$plan"
        speed_guess=$speed
        is_true "$left < $target" && { note="the duck passed (at $left)"; return 1; }
        if is_true "$remaining < 0.8"; then
            is_true "$remaining > 0" && sleep "$remaining"
            xdotool click 1
            note="seen at $left, $speed pixels/s, fired ${remaining}s later"
            return 0
        fi
    done
    note="the duck did not come"
    return 1
}
hit=0
note=""
speeds=()
for attempt in $(seq 20); do
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended during play"
    if screen_is death; then
        key Return
        sleep 0.2
        key Return
        sleep 0.5
        grab "$work/score_before.rgb"
    fi
    if try_shot; then
        speeds+=("$speed_guess")
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
# The first level's duck flies 10 game pixels a frame: its speed says the frame rate held.
echo "measured: the duck flew ${speeds[-1]} game pixels/s, $(calc "${speeds[-1]} / 10") frames/s (33 ms frames: 30.3)"

# ---- Escape: the palette fades, then the program ends with 0
escape_at=$(now)
key Escape
wait_exit 20
[ "$exit_code" = 0 ] || fail "Escape ended qent.exe with $exit_code, expected 0"
echo "ok: Escape -> fade and status 0 after $(calc "$(now) - $escape_at") s (silent all along: no sound driver)"
echo "PASS"
