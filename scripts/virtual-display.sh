# Sourced by the scripts that show the window without a screen (bash, set -u).
# start_virtual_display FOLDER: starts Xvfb on a free display, noting its number in FOLDER, and
# exports DISPLAY; `xvfb` is its process, for the caller's exit trap to kill.
start_virtual_display() {
    Xvfb -displayfd 3 -screen 0 1280x1024x24 3>"$1/display" 2>/dev/null &
    xvfb=$!
    until [ -s "$1/display" ]; do sleep 0.1; done
    export DISPLAY=":$(cat "$1/display")"
}
