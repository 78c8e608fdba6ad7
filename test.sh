#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test through CTest.
# A second, core-only build runs the core tests under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
jobs="$(nproc)"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTARVIK_CORE_ONLY=ON -DTARVIK_SANITIZE=ON \
      -DTARVIK_BENCHMARKS=OFF
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs"

# libFuzzer targets over reading and assembling program files (and import), each run for about
# 30 seconds; a crash, leak, hang or sanitizer report fails the run.
tests/fuzz/run.sh
