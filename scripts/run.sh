#!/usr/bin/env bash
# Installs what is missing, builds and runs Quorvel.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset dev
cmake --build build
if [[ -x build/quorvel ]]; then
  exec build/quorvel "$@"
fi
exec build/quorvel-batch list examples/loja-centro.txt
