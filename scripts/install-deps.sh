#!/usr/bin/env bash
# Installs, from Debian 12's packages, whatever Corvane needs to build, run and test that is not
# there yet. Run as root.
set -euo pipefail

packages=(
    # build
    g++ cmake ninja-build pkg-config
    qt6-base-dev libtag1-dev
    # the columns each character takes (East Asian Width)
    libicu-dev
    # the demo library's audio files
    libflac-dev
    # tests and benchmarks
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    # "Courier New" through fontconfig, and a font for CJK titles
    fontconfig fonts-liberation2 fonts-wqy-microhei
    # a real printer for the print tests: CUPS with a PDF queue, and tools to read the PDF
    cups printer-driver-cups-pdf poppler-utils
    # the window without a desktop, and screenshots of it
    xvfb xauth imagemagick
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
