#!/usr/bin/env bash
# Installs what is missing, builds Corvane and opens its window. Arguments go to the program
# (for instance --library ~/Music); without them it reads $CORVANE_LIBRARY or the music folder,
# and the bundled demo library when that holds no playlist.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVANE_BUILD_TESTS=OFF \
    -DCORVANE_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "corvane: no display; opening the window on a virtual one (Xvfb :99)" >&2
    Xvfb :99 -screen 0 1280x1024x24 >/dev/null 2>&1 &
    export DISPLAY=:99
    sleep 1
fi
exec build/bin/corvane "$@"
