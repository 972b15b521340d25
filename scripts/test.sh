#!/usr/bin/env bash
# Installs what is missing, builds Corvane and runs every test, the print tests on a real CUPS
# PDF printer; then, on the same build, the run command without a display and (as root) the
# Debian package: made, checked, installed, run and removed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
if [ "$(id -u)" -eq 0 ]; then
    bash .ci/cups-pdf-printer.sh
fi
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-test -j"$(nproc)"
(cd build-test && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 300)
bash tests/system/first-run-test.sh build-test
if [ "$(id -u)" -eq 0 ]; then
    bash tests/system/package-test.sh build-test
else
    echo "package test: skipped, as it installs a package and needs root" >&2
fi
