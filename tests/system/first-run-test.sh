#!/usr/bin/env bash
# The README's run command on a machine without a display and without a library of one's own:
# a line saying there is no display, the list of playlists and one playlist as text, and that
# playlist's CD label as a PDF whose place it names. Runs scripts/run.sh on the build folder
# given (already built, so that nothing is built twice).
set -euo pipefail
build=$(realpath "$1")
cd "$(dirname "$0")/../.."
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
rm -f "$build/label.pdf"

# Nothing of the machine's own: no player's store, no MPD server.
env -u DISPLAY -u WAYLAND_DISPLAY -u CORVANE_LIBRARY -u XDG_CONFIG_HOME -u XDG_MUSIC_DIR \
    -u XDG_DATA_HOME -u XDG_RUNTIME_DIR MPD_HOST="$home/no-mpd" \
    HOME="$home" CORVANE_BUILD_DIR="$build" bash scripts/run.sh >"$home/out" 2>"$home/err"

fail() {
    echo "first run: $*" >&2
    echo "--- standard output:" >&2
    cat "$home/out" >&2
    echo "--- standard error:" >&2
    cat "$home/err" >&2
    exit 1
}
grep -v '^\[\|^ninja' "$home/err" | head -1 | grep -q "no display" ||
    fail "the first line does not say that there is no display"
grep -q "LIST OF PLAYLISTS" "$home/out" || fail "no list of playlists"
first=$(sed -n 5p "$home/out" | cut -c8-)
grep -q "PLAYLIST: $first" "$home/out" || fail "the playlist \"$first\" is not shown"
pdf=$(grep -o '/[^ ]*\.pdf' "$home/err" | head -1)
[ "$pdf" = "$build/label.pdf" ] || fail "the PDF is not named, or not in the build folder: $pdf"
pdftotext "$pdf" - | grep -q "ALBUM: $first" || fail "$pdf does not hold the label of \"$first\""
grep -q -- "--library" "$home/err" || fail "it does not say how to read one's own library"
grep -q "on a desktop" "$home/err" || fail "it does not say how to open the window"
echo "first run: the list, \"$first\" and its label in $pdf"
