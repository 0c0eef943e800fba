#!/usr/bin/env bash
# Starts the show in a virtual X server with SDL's dummy sound driver, checks that the loading
# screen shows and then gives way to the main loop, sends Escape and expects exit code 0.
# Full screen, the window must cover the whole screen.
# Usage: tavrin_under_xvfb.sh BIN_DIR windowed|fullscreen
set -euo pipefail
bin_dir=$1
mode=$2
for tool in Xvfb xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
xvfb_pid=""
show_pid=""
cleanup() {
    [ -n "$show_pid" ] && kill "$show_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Let the server pick a free display and tell us its number.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
# A loaded machine may take many seconds to start a server or a program: every wait below polls
# up to a minute and says what it was waiting for.
within_a_minute() {
    local deadline=$((SECONDS + 60))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}
within_a_minute test -s "$work/display" || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
export SDL_AUDIODRIVER=dummy
if [ "$mode" = windowed ]; then export TAVRIN_WINDOWED=1; else unset TAVRIN_WINDOWED; fi

cd "$bin_dir"
./tavrin >"$work/show.log" 2>&1 &
show_pid=$!

show_ended() { ! kill -0 "$show_pid" 2>/dev/null; }
# True once the window is there, or once the show has ended without one.
window_or_end() {
    window=$(xdotool search --name '^Tavrin$' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] || show_ended
}
within_a_minute window_or_end
[ -n "$window" ] || { echo "FAIL: no window appeared"; cat "$work/show.log"; exit 1; }
# There is no window manager here: a full-screen window must take the screen by itself.
geometry=$(xdotool getwindowgeometry "$window" | awk '/Geometry/ {print $2}')
expected=$([ "$mode" = windowed ] && echo 800x600 || echo 1024x768)
[ "$geometry" = "$expected" ] || { echo "FAIL: $mode window is $geometry, not $expected"; exit 1; }
echo "$mode window: $geometry"

# Lit pixels on the screen: the loading text, or the main loop's first frames, which stay dark
# for the song's first seconds.
lit() {
    import -window root "$work/screen.png"
    convert "$work/screen.png" -threshold 50% -format '%[fx:int(mean*w*h)]' info:
}
# Polls (a loaded machine may take long to load) until `lit` satisfies the test given.
wait_for() {
    for _ in $(seq 300); do
        count=$(lit)
        if [ "$count" "$1" "$2" ]; then return 0; fi
        sleep 0.3
    done
    return 1
}
wait_for -gt 50 || { echo "FAIL: the loading screen shows no text"; cat "$work/show.log"; exit 1; }
echo "loading screen: $count lit pixels"
wait_for -eq 0 || { echo "FAIL: the loading screen did not give way"; exit 1; }
echo "main loop: $count lit pixels"
kill -0 "$show_pid" || { echo "FAIL: the show ended by itself"; cat "$work/show.log"; exit 1; }

xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --window "$window" Escape
within_a_minute show_ended || { echo "FAIL: Escape did not end the show"; exit 1; }
set +e
wait "$show_pid"
status=$?
set -e
show_pid=""
echo "exit code $status"
[ "$status" -eq 0 ]
