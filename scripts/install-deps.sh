#!/usr/bin/env bash
# Installs, from Debian 12's packages, whatever Corvane needs to build, run and test that is not
# there yet. Run as root.
set -euo pipefail

packages=(
    # build; the icon's PNGs are rendered from its SVG
    g++ cmake ninja-build pkg-config
    qt6-base-dev libtag1-dev libsqlite3-dev libmpdclient-dev librsvg2-bin
    # the program's allocator
    libjemalloc-dev
    # whether the print server answers, when there is no default printer
    libcups2-dev
    # the columns each character takes (East Asian Width)
    libicu-dev
    # the demo library's and the tests' audio files
    libflac-dev libvorbis-dev
    # tests and benchmarks
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    # the sanitizer build and the fuzz targets: clang, its sanitizer and libFuzzer runtimes, and
    # llvm-symbolizer for readable reports
    clang-14 libclang-rt-14-dev llvm-14
    # "Courier New" through fontconfig; fonts for CJK, Arabic and Hebrew titles, and emoji
    fontconfig fonts-liberation2 fonts-wqy-microhei fonts-dejavu-core fonts-noto-color-emoji
    # a real printer for the print tests: CUPS with a PDF queue, and tools to read the PDF
    cups printer-driver-cups-pdf poppler-utils
    # the window without a desktop, and screenshots of it (scripts/screenshot.sh)
    xvfb xauth imagemagick xdotool
    # checks of the menu entry, the AppStream metadata and the manual page; the library's
    # layering (scripts/include-graph.py)
    desktop-file-utils appstream man-db groff-base python3-minimal
    # the Debian package: its dependencies computed from the binaries, and its check
    dpkg-dev file lintian
    # a real MPD server for the MPD tests, and its command-line client for the benchmark, which
    # hyperfine times (bench_fresh_process)
    mpd mpc hyperfine
    # Mopidy and its MPD frontend, for the MPD backend's test against it
    mopidy mopidy-mpd
    # the window as screen readers find it: the accessibility bus, its Python client, and a
    # D-Bus session of the test's own
    at-spi2-core python3-pyatspi dbus
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    if [ "$(id -u)" -ne 0 ]; then
        echo "corvane: these Debian packages are missing: ${missing[*]}" >&2
        echo "corvane: run this script as root (or: sudo apt-get install ${missing[*]})" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
fi
