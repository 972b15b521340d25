#!/usr/bin/env bash
# The window's first paint, timed by hyperfine on a virtual display: from the start of each
# program given to the moment its window is shown on the demo library, side by side (an earlier
# build as the yardstick). Needs xvfb, xdotool and hyperfine.
#     bash bench/app/first-paint.sh OLD_CORVANE build-test/bin/corvane [--runs N]
set -euo pipefail
programs=()
while [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; do
    programs+=("$(realpath "$1")")
    shift
done
work=$(mktemp -d)
xvfb=
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
source "$(dirname "$0")/../../scripts/virtual-display.sh"
start_virtual_display "$work"
# The demo library of the first program that has one beside it.
for program in "${programs[@]}"; do
    demo=$(dirname "$program")/demo-library
    [ -d "$demo" ] && break
done
# One run: the program started, its window waited for (polled as fast as xdotool answers), closed.
# A program that ends without a window fails the run, with what it said.
cat >"$work/run.sh" <<'RUN'
env -u CORVANE_LIBRARY HOME="$1" XDG_CONFIG_HOME="$1/config" "$2" --quiet --library "$3" \
    2>"$1/stderr" &
until xdotool search --onlyvisible --name Corvane >/dev/null 2>&1; do
    kill -0 $! 2>/dev/null || { cat "$1/stderr" >&2; exit 1; }
done
kill $!
wait $! 2>/dev/null || true
RUN
commands=()
for program in "${programs[@]}"; do
    commands+=("bash $work/run.sh $work $program $demo")
done
hyperfine --warmup 2 "$@" "${commands[@]}"
