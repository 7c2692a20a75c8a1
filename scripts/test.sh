#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs the whole test suite; then
# runs it again under AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz target on its
# corpus with a fixed seed and a fixed number of runs, so that the verdict is the tree's alone.
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
  # CUPS's sample Zebra label drivers, sending to a local port that the printing tests listen on
  # (their queues keep the drivers' default 4 x 5 in stock).
  for queue in "QuorvelZPL zebra.ppd 47201" "QuorvelEPL zebraep2.ppd 47202"; do
    read -r name ppd port <<<"$queue"
    if ! lpstat -p "$name" >/dev/null 2>&1; then
      lpadmin -p "$name" -E -v "socket://127.0.0.1:$port" -m "drv:///sample.drv/$ppd" 2>/dev/null ||
        echo "No print queue $name: the tests that print through its label driver will skip"
    fi
  done
fi
cmake --preset ci
cmake --build build
ctest --test-dir build --output-on-failure -j "$(nproc)"
./scripts/check-package.sh build

# The sanitizer build: the test programs are also run while building (test discovery).
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0
cmake --preset asan
cmake --build build-asan
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"

./scripts/fuzz.sh --check
