#!/usr/bin/env bash
# The Debian package, made from the build folder given (already built): lintian finds no error
# in it, apt installs it, the installed program works without a display on the installed demo
# library, and dpkg -r leaves none of its files behind. Installs and removes a package, so it
# runs as root, and never over a corvane installed already.
set -euo pipefail
build=$(realpath "$1")
if dpkg-query -W -f='${Status}' corvane 2>/dev/null | grep -q "ok installed"; then
    echo "package test: skipped, as a corvane package is installed here already" >&2
    exit 0
fi

rm -f "$build"/corvane_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(echo "$build"/corvane_*_*.deb)
lintian --fail-on error "$deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$deb" >/dev/null
installed=$(dpkg -L corvane)
trap 'dpkg -r corvane >/dev/null 2>&1 || true' EXIT

home=$(mktemp -d)
fail() {
    echo "package test: $*" >&2
    exit 1
}
corvane() {
    # Nothing of the machine's own: no player's store, no MPD server.
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u CORVANE_LIBRARY -u XDG_CONFIG_HOME \
        -u XDG_DATA_HOME -u XDG_RUNTIME_DIR MPD_HOST="$home/no-mpd" HOME="$home" /usr/bin/corvane "$@"
}
list=$(corvane --list-playlists 2>"$home/err")
grep -q "LIST OF PLAYLISTS" <<<"$list" || fail "no list of playlists"
grep -q "demo library in /usr/share/corvane/demo-library" "$home/err" ||
    fail "the installed program does not find its demo library: $(cat "$home/err")"
first=$(sed -n 5p <<<"$list" | cut -c8-)
corvane --quiet --playlist "$first" --label >"$home/label" 2>"$home/err"
[ ! -s "$home/err" ] || fail "--quiet still says: $(cat "$home/err")"
# The same label as the program in the build folder makes of the same library.
HOME="$home" "$build/bin/corvane" -q --library /usr/share/corvane/demo-library \
    --playlist "$first" --label | diff "$home/label" - ||
    fail "the installed program's label differs from the build's"
corvane --quiet --playlist "$first" --label --pdf "$home/label.pdf"
pdfinfo "$home/label.pdf" | grep -q "^Pages: *1$" || fail "the label's PDF is not one page"
pdftotext "$home/label.pdf" - | grep -q "ALBUM: $first" || fail "the PDF does not hold the label"
[ -n "$(man -w corvane)" ] || fail "man finds no corvane(1)"
rm -rf "$home"

dpkg -r corvane >/dev/null
trap - EXIT
while IFS= read -r path; do
    if [ -f "$path" ] || [ -L "$path" ]; then
        fail "dpkg -r left $path behind"
    fi
done <<<"$installed"
[ ! -e /usr/share/corvane ] || fail "dpkg -r left /usr/share/corvane behind"
echo "package test: $(basename "$deb") installs, runs headless and is removed cleanly"
