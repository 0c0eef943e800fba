#!/usr/bin/env bash
# Starts the show where no display answers: it must say so and exit with 1 at once, not play its
# music to a window nobody can see.
# Usage: tavrin_without_display.sh BIN_DIR
set -uo pipefail
cd "$1"
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# A display number no server listens on; no Wayland either, and no video driver named.
env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY=:4711 SDL_AUDIODRIVER=dummy \
    timeout 60 ./tavrin >"$log" 2>&1
status=$?
[ "$status" -eq 1 ] || { echo "FAIL: exit status $status, not 1"; cat "$log"; exit 1; }
grep -q '^tavrin: no display to show the picture on' "$log" ||
    { echo "FAIL: the show did not say why it has no window"; cat "$log"; exit 1; }
echo "without a display: exit status 1, and the reason on stderr"
