#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs the whole test suite; then
# runs it again under AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz target on its
# corpus with a fixed seed and a fixed number of runs, so that the verdict is the tree's alone.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh --test

# The printing tests print through a real queue: cupsd with the cups-pdf driver (as root only;
# without the queue those tests skip and say why, and fail under CI=true).
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

# Every test program works in a temporary folder of its own (tests/support/PrivateTempFolder.h),
# so no test may take the data-communication lock that this machine's Quorvel shares: each run
# below holds that lock throughout (hold_data_lock fails at once if something else holds it), and
# a test that took it would wait and fail.
#
# Root overrides permission bits: the tests named *Unprivileged* are left out of the run as root
# and run as the user nobody instead, from copies of their programs in a folder of that user (the
# build tree may sit where nobody cannot reach it) with a temporary folder of its own.
run_tests() {
  local build=$1
  if [[ $(id -u) -ne 0 ]]; then
    "$build/tests/hold_data_lock" ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
    return
  fi
  "$build/tests/hold_data_lock" ctest --test-dir "$build" --output-on-failure -j "$(nproc)" -E Unprivileged
  run_unprivileged_tests "$build"
}

run_unprivileged_tests() {
  local build=$1 home program filter ran=0 status=0
  home=$(mktemp -d)
  chown nobody:nogroup "$home"
  cp "$build/tests/hold_data_lock" tests/support/lsan.supp "$home/"
  for program in "$build"/tests/*_tests; do
    # The suites' lines of --gtest_list_tests end in "."; their tests are indented below them.
    filter=$("$program" --gtest_list_tests | awk '/^[^ ]/ { suite = $1 } /^  / && suite $1 ~ /Unprivileged/ { printf "%s%s%s", sep, suite, $1; sep = ":" }')
    [[ -n "$filter" ]] || continue
    cp "$program" "$home/"
    echo "As nobody: $(basename "$program") --gtest_filter=$filter"
    (cd "$home" && setpriv --reuid=nobody --regid=nogroup --clear-groups \
      env HOME="$home" TMPDIR="$home" QT_QPA_PLATFORM=offscreen \
      LSAN_OPTIONS="suppressions=$home/lsan.supp:print_suppressions=0" \
      timeout 300 ./hold_data_lock "./$(basename "$program")" --gtest_filter="$filter") || status=1
    ran=$((ran + 1))
  done
  rm -rf "$home"
  if ((ran == 0)); then
    echo "No test program holds a test named *Unprivileged*: the permission tests are gone" >&2
    return 1
  fi
  return "$status"
}

cmake --preset ci
cmake --build build
run_tests build
./scripts/check-package.sh build

# The sanitizer build: the test programs are also run while building (test discovery).
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0
cmake --preset asan
cmake --build build-asan
run_tests build-asan

./scripts/fuzz.sh --check
