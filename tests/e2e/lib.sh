#!/usr/bin/env bash
# Shared helpers of the end-to-end tests: a private Xvfb, the real binary started under it,
# screenshots, pixel colours, keys and waiting for the program to end.
# Source it, then call e2e_init "$@" (the binary and the build folder).

E2E_XVFB_PID=""
E2E_QENT_PID=""
E2E_DISPLAY=""

e2e_init() {
    E2E_QENT=$(realpath "${1:?the qent binary}")
    E2E_BUILD=$(realpath "${2:?the build folder}")
    E2E_ASSETS="$E2E_BUILD/assets"
    E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/qent-e2e.XXXXXX")
    trap e2e_cleanup EXIT
}

e2e_cleanup() {
    if [ -n "$E2E_QENT_PID" ] && kill -0 "$E2E_QENT_PID" 2>/dev/null; then
        kill "$E2E_QENT_PID" 2>/dev/null
        wait "$E2E_QENT_PID" 2>/dev/null
    fi
    if [ -n "$E2E_XVFB_PID" ]; then
        kill "$E2E_XVFB_PID" 2>/dev/null
        wait "$E2E_XVFB_PID" 2>/dev/null
    fi
    [ -n "${E2E_KEEP:-}" ] || rm -rf "$E2E_WORK"
}

e2e_fail() {
    echo "FAIL: $*" >&2
    if [ -f "$E2E_WORK/qent.log" ]; then
        echo "--- qent's output:" >&2
        cat "$E2E_WORK/qent.log" >&2
    fi
    exit 1
}

# Exits 77 (skipped) when no virtual X server is installed; nothing else skips.
e2e_require_xvfb() {
    if ! command -v Xvfb >/dev/null 2>&1; then
        echo "SKIP: Xvfb is not installed (scripts/install-deps installs it)" >&2
        exit 77
    fi
    for tool in xdotool /usr/bin/import /usr/bin/convert /usr/bin/compare; do
        command -v "$tool" >/dev/null 2>&1 || e2e_fail "$tool is missing (scripts/install-deps)"
    done
}

# Starts Xvfb at WxH on a display number it picks itself, and waits until it answers.
e2e_start_xvfb() {
    local size=${1:-1280x960}
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$E2E_WORK/display" \
        >"$E2E_WORK/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    for _ in $(seq 100); do
        if [ -s "$E2E_WORK/display" ]; then
            E2E_DISPLAY=":$(head -n1 "$E2E_WORK/display")"
            if DISPLAY=$E2E_DISPLAY xdotool getdisplaygeometry >/dev/null 2>&1; then
                export DISPLAY=$E2E_DISPLAY
                return 0
            fi
        fi
        sleep 0.1
    done
    e2e_fail "Xvfb did not start: $(cat "$E2E_WORK/xvfb.log")"
}

# Starts qent in the asset folder with the given flags.
e2e_start_qent() {
    [ -f "$E2E_ASSETS/start.BMP" ] || e2e_fail "no assets in $E2E_ASSETS (build the 'assets' target)"
    (cd "$E2E_ASSETS" && exec env SDL_AUDIODRIVER=dummy "$E2E_QENT" "$@") \
        >"$E2E_WORK/qent.log" 2>&1 &
    E2E_QENT_PID=$!
}

# Sets E2E_EXIT_CODE once qent has ended, or fails after the given seconds. Not to be called
# in a subshell: only the shell that started qent can collect its status.
e2e_wait_exit() {
    local seconds=$1
    for _ in $(seq $((seconds * 10))); do
        if ! kill -0 "$E2E_QENT_PID" 2>/dev/null; then
            E2E_EXIT_CODE=0
            wait "$E2E_QENT_PID" || E2E_EXIT_CODE=$?
            E2E_QENT_PID=""
            return 0
        fi
        sleep 0.1
    done
    e2e_fail "qent was still running after ${seconds}s"
}

e2e_screenshot() {
    /usr/bin/import -window root "$1" 2>/dev/null || e2e_fail "screenshot failed"
}

# The colour at (x, y) of a picture, as "r,g,b".
e2e_pixel() {
    /usr/bin/convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}

# The size and position of the program's window: "W H X Y".
e2e_window_geometry() {
    local id
    id=$(xdotool search --name "Qent Game Console" 2>/dev/null | head -n1)
    [ -n "$id" ] || return 1
    xdotool getwindowgeometry --shell "$id" | awk -F= '
        /^WIDTH/ {w=$2} /^HEIGHT/ {h=$2} /^X/ {x=$2} /^Y/ {y=$2}
        END {print w, h, x, y}'
}

# Keys go to the window under the pointer (there is no window manager): point at it first.
e2e_key() {
    local w h x y
    read -r w h x y < <(e2e_window_geometry) || e2e_fail "no window to send keys to"
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) key "$@"
}
