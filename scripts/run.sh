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
# The sample is a Brazilian shop's file: its prices are written with a decimal comma.
exec env -u LC_ALL -u LC_NUMERIC LANG=pt_BR.UTF-8 build/quorvel-batch list examples/loja-centro.txt
