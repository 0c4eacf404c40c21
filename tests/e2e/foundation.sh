#!/usr/bin/env bash
# The real qent under a virtual X server: the frame fills the screen scaled 2x with
# nearest-neighbour pixels and black bars around it, --window opens a 1280x960 window,
# Alt+Enter switches between the two, Escape ends the program with status 0, and without any
# display the program says how to run headless and exits with status 1. Under Xvfb frames go
# straight into the window; the same full screen is checked through SDL's renderer, the way a
# machine with a GPU shows them.
# Arguments: the qent binary and the build folder (its assets/ holds the nine files).
set -euo pipefail
. "$(dirname "$0")/lib.sh"
e2e_init "$@"
e2e_require_xvfb

SCREEN_W=1920
SCREEN_H=1080
FRAME_W=1280  # 640x480 at twice the size
FRAME_H=960

# The title screen is start.BMP as it stands, apart from the version text in its corner.
TEXT_BOX="rectangle 1080,880 1279,959"
/usr/bin/convert "$E2E_ASSETS/start.BMP" -sample 200% -fill black -draw "$TEXT_BOX" \
    "$E2E_WORK/expected.png" || e2e_fail "cannot read $E2E_ASSETS/start.BMP"

# Number of pixels that differ between the expected title and the frame at (x, y) of a shot.
title_difference() {
    /usr/bin/convert "$1" -crop "${FRAME_W}x${FRAME_H}+$2+$3" +repage -fill black \
        -draw "$TEXT_BOX" "$E2E_WORK/frame.png"
    /usr/bin/compare -metric AE "$E2E_WORK/frame.png" "$E2E_WORK/expected.png" null: 2>&1 || true
}

# Waits (through the 100-frame intro) until the window shows the title, pixel for pixel, and
# sets TITLE_X and TITLE_Y to where the frame sits on the screen.
wait_for_title() {
    local shot=$E2E_WORK/shot.png difference="no window" w h x y
    for _ in $(seq 60); do
        if read -r w h x y < <(e2e_window_geometry); then
            e2e_screenshot "$shot"
            local fx=$((x + (w - FRAME_W) / 2)) fy=$((y + (h - FRAME_H) / 2))
            difference=$(title_difference "$shot" "$fx" "$fy")
            if [ "$difference" = "0" ]; then
                TITLE_X=$fx
                TITLE_Y=$fy
                return 0
            fi
        fi
        sleep 0.5
    done
    cp "$shot" "${E2E_BUILD}/e2e-foundation-last.png" 2>/dev/null || true
    e2e_fail "the title never showed 2x scaled ($difference pixels differ; last screenshot" \
        "in $E2E_BUILD/e2e-foundation-last.png)"
}

expect_geometry() {
    local want=$1 got
    got=$(e2e_window_geometry | awk '{print $1 "x" $2}')
    [ "$got" = "$want" ] || e2e_fail "window is $got, expected $want"
}

# Black outside the frame: the letterbox bars.
expect_black() {
    local shot=$1 region=$2 max
    max=$(/usr/bin/convert "$shot" -crop "$region" +repage -format '%[fx:maxima]' info:)
    [ "$max" = "0" ] || e2e_fail "the bar $region is not black (brightest $max)"
}

quit_with_escape() {
    e2e_key Escape
    e2e_wait_exit 10
    [ "$E2E_EXIT_CODE" = "0" ] || e2e_fail "Escape ended qent with status $E2E_EXIT_CODE, expected 0"
}

# ---- No display at all: one line on stderr naming the way to run headless, status 1.
status=0
(cd "$E2E_ASSETS" && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER \
    SDL_AUDIODRIVER=dummy timeout 20 "$E2E_QENT") >/dev/null 2>"$E2E_WORK/nodisplay.err" ||
    status=$?
[ "$status" = "1" ] || e2e_fail "without a display qent ended with $status, expected 1"
[ "$(wc -l <"$E2E_WORK/nodisplay.err")" = "1" ] ||
    e2e_fail "expected one line on stderr, got: $(cat "$E2E_WORK/nodisplay.err")"
grep -q "xvfb-run" "$E2E_WORK/nodisplay.err" ||
    e2e_fail "the message does not say how to run headless: $(cat "$E2E_WORK/nodisplay.err")"
echo "ok: no display -> status 1: $(cat "$E2E_WORK/nodisplay.err")"

e2e_start_xvfb "${SCREEN_W}x${SCREEN_H}"

# ---- Full screen: the whole display, the frame centred at 2x, black bars around it.
e2e_start_qent
wait_for_title
expect_geometry "${SCREEN_W}x${SCREEN_H}"
[ "$TITLE_X $TITLE_Y" = "320 60" ] || e2e_fail "frame at ($TITLE_X, $TITLE_Y), expected (320, 60)"
e2e_screenshot "$E2E_WORK/full.png"
expect_black "$E2E_WORK/full.png" "320x${SCREEN_H}+0+0"
expect_black "$E2E_WORK/full.png" "320x${SCREEN_H}+1600+0"
expect_black "$E2E_WORK/full.png" "${FRAME_W}x60+320+0"
expect_black "$E2E_WORK/full.png" "${FRAME_W}x60+320+1020"
echo "ok: full screen shows the title at 2x, letterboxed"
quit_with_escape
echo "ok: Escape -> status 0"

# ---- --window: a 1280x960 window; Alt+Enter goes full screen and back.
e2e_start_qent --window
wait_for_title
expect_geometry "${FRAME_W}x${FRAME_H}"
echo "ok: --window opens a ${FRAME_W}x${FRAME_H} window with the title"
e2e_key alt+Return
sleep 1
expect_geometry "${SCREEN_W}x${SCREEN_H}"
wait_for_title  # still the title: Alt+Enter is not the game's Enter
e2e_key alt+Return
sleep 1
expect_geometry "${FRAME_W}x${FRAME_H}"
echo "ok: Alt+Enter switches to full screen and back"
quit_with_escape
echo "ok: Escape -> status 0"

# ---- Through SDL's renderer (QENT_PRESENT=renderer): the same picture in the same place.
QENT_PRESENT=renderer e2e_start_qent
wait_for_title
[ "$TITLE_X $TITLE_Y" = "320 60" ] || e2e_fail "frame at ($TITLE_X, $TITLE_Y), expected (320, 60)"
e2e_screenshot "$E2E_WORK/renderer.png"
expect_black "$E2E_WORK/renderer.png" "320x${SCREEN_H}+0+0"
expect_black "$E2E_WORK/renderer.png" "${FRAME_W}x60+320+1020"
echo "ok: through SDL's renderer the title shows at 2x, letterboxed"
quit_with_escape
echo "ok: Escape -> status 0"
