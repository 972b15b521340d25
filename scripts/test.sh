#!/usr/bin/env bash
# Installs what is missing, builds Corvane and runs every test, the print tests on a real CUPS
# PDF printer; then, on the same build, the run command without a display and (as root) the
# Debian package: made, checked, installed, run and removed; then builds it again with clang under
# AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer (build-sanitize/), runs every test
# there, and runs each fuzz target for 30 s.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
if [ "$(id -u)" -eq 0 ]; then
    bash .ci/cups-pdf-printer.sh
fi
jobs=$(nproc)
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-test -j"$jobs"
(cd build-test && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs" --timeout 300)
bash tests/system/first-run-test.sh build-test
if [ "$(id -u)" -eq 0 ]; then
    bash tests/system/package-test.sh build-test
else
    echo "package test: skipped, as it installs a package and needs root" >&2
fi

# Any report of a sanitizer stops the program and fails its test.
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
CC=clang-14 CXX=clang++-14 cmake -S . -B build-sanitize -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_BUILD_BENCHMARKS=OFF -DCORVANE_BUILD_FUZZERS=ON \
    -DCMAKE_CXX_FLAGS="$sanitizers -fsanitize=fuzzer-no-link" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" >/dev/null
cmake --build build-sanitize -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer
(cd build-sanitize && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs" --timeout 600)
bash scripts/fuzz.sh 30
