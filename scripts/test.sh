#!/usr/bin/env bash
# Installs what is missing, builds Corvane and runs every test, the print tests on a real CUPS
# PDF printer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
if [ "$(id -u)" -eq 0 ]; then
    bash .ci/cups-pdf-printer.sh
fi
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-test -j"$(nproc)"
cd build-test
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 300
