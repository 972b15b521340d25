#!/usr/bin/env bash
# Installs what is missing, builds Corvane and opens its window. Arguments go to the program
# (for instance --library ~/Music); without them it reads $CORVANE_LIBRARY, else everything it
# finds (the music folder's playlists, the players' stores, MPD), else the bundled demo library.
# Without a display it shows, as
# text, what the window would, and writes the first playlist's CD label as a PDF. It builds in
# build/ (or $CORVANE_BUILD_DIR, configured as it is when it exists already).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${CORVANE_BUILD_DIR:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF \
        -DCORVANE_BUILD_BENCHMARKS=OFF >/dev/null
fi
cmake --build "$build" >&2 # standard output is for what the program shows
corvane=("$build/bin/corvane" "$@")
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "${corvane[@]}"
fi
for argument in "$@"; do
    case $argument in
    --list-playlists | --playlist | --playlist=* | -h | --help | --version) exec "${corvane[@]}" ;;
    esac
done

# No display: the list of playlists and the first playlist as text on standard output, its CD
# label as a PDF, and what to do next on standard error.
echo "corvane: no display (DISPLAY and WAYLAND_DISPLAY are not set), so no window; here is" \
    "what it shows:" >&2
list=$("${corvane[@]}" --list-playlists)
printf '%s\n' "$list"
# The playlists' lines begin at the fifth, after a seven-character number.
first=$(sed -n 5p <<<"$list" | cut -c8-)
if [ -z "$first" ]; then
    echo "corvane: the library holds no playlist" >&2
    exit 1
fi
"${corvane[@]}" --quiet --playlist "$first"
label=$(realpath "$build")/label.pdf
"${corvane[@]}" --quiet --playlist "$first" --label --pdf "$label"
cat >&2 <<END
corvane: the CD case label of "$first" is in $label (print it with: lp $label)
corvane: on a desktop, bash scripts/run.sh opens the window; bash scripts/run.sh --library ~/Music
corvane: (or CORVANE_LIBRARY=~/Music) reads your own playlists, in that folder and below
END
