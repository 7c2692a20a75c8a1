#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh --test
cmake --preset ci
cmake --build build
ctest --test-dir build --output-on-failure -j "$(nproc)"
