#!/usr/bin/env bash
# Takes the screenshot that the AppStream metadata shows (data/screenshots/corvane-window.png):
# the window of the program in build/ (or $CORVANE_BUILD_DIR) on the demo library, on a virtual
# display, with the first playlist opened from the keyboard. Needs xvfb, xdotool and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${CORVANE_BUILD_DIR:-build}/bin/corvane")
work=$(mktemp -d)
xvfb=
corvane=
trap 'kill $xvfb $corvane 2>/dev/null || true; rm -rf "$work"' EXIT
source scripts/virtual-display.sh
start_virtual_display "$work"

env -u CORVANE_LIBRARY HOME="$work" XDG_CONFIG_HOME="$work/config" "$program" --quiet &
corvane=$!
window=$(xdotool search --sync --onlyvisible --name "Corvane" | head -1)
sleep 1
# LIST ALL PLAYLISTS, where the focus starts, by Space; Tab to the list, whose current line is
# the first playlist; Enter.
xdotool windowfocus --sync "$window" key space Tab Return
sleep 1
import -window "$window" "$work/window.png"
convert "$work/window.png" -strip data/screenshots/corvane-window.png
echo "data/screenshots/corvane-window.png: $(identify -format '%w x %h' data/screenshots/corvane-window.png)"
