#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs the whole test suite; then
# runs it again under AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz target for
# 30 seconds on its corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh --test
cmake --preset ci
cmake --build build
ctest --test-dir build --output-on-failure -j "$(nproc)"

# The sanitizer build: the test programs are also run while building (test discovery).
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0
cmake --preset asan
cmake --build build-asan
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"

./scripts/fuzz.sh 30
