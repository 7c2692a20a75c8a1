#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh --test

# The printing tests print through a real queue: cupsd with the cups-pdf driver (as root only;
# without the queue those tests skip and say why).
if [[ $(id -u) -eq 0 ]]; then
  if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
    /usr/sbin/cupsd || true
    for _ in $(seq 1 50); do
      lpstat -r 2>/dev/null | grep -q 'is running' && break
      sleep 0.2
    done
  fi
  if ! lpstat -p QuorvelPDF >/dev/null 2>&1; then
    lpadmin -p QuorvelPDF -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null ||
      echo "No print queue QuorvelPDF: the tests that print through CUPS will skip"
  fi
fi
cmake --preset ci
cmake --build build
ctest --test-dir build --output-on-failure -j "$(nproc)"
