#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (preset fuzz, build-fuzz/) and runs each on its committed
# corpus and regression inputs. New inputs go to a scratch folder, never into the repository; a
# crash, a hang or a memory blow-up fails the run and leaves the input in build-fuzz/artifacts/<target>/.
#
# Usage:
#   scripts/fuzz.sh --check [TARGET...]   a fixed seed and a fixed number of runs per target: the
#                                         same tree gives the same verdict on every machine (the
#                                         test command runs this)
#   scripts/fuzz.sh SECONDS [TARGET...]   time-boxed fuzzing by hand with a fresh seed each time;
#                                         commit what it finds to fuzz/<target>/regressions/
# Without arguments: 30 seconds, every target.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=time
seconds=30
if [[ "${1:-}" == "--check" ]]; then
  mode=check
  shift
elif [[ $# -gt 0 ]]; then
  seconds=$1
  shift
fi

# Runs per target in --check mode: about half a minute each under the sanitizers on a small machine.
declare -A check_runs=([numbers]=2000000 [label_file]=100000 [definition]=12000 [barcode]=400000 [snapshot]=8000)
check_seed=20261210

if ! command -v clang++ >/dev/null; then
  if [[ $mode == check ]]; then
    echo "fuzz: clang++ is not installed (scripts/install-deps.sh --test)" >&2
    exit 1
  fi
  echo "fuzz: clang++ is not installed (scripts/install-deps.sh --test), skipping" >&2
  exit 0
fi
cmake --preset fuzz >/dev/null
cmake --build build-fuzz --target fuzzers

targets=("$@")
if ((${#targets[@]} == 0)); then
  for dir in fuzz/*/corpus; do
    targets+=("$(basename "$(dirname "$dir")")")
  done
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:halt_on_error=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/support/lsan.supp}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
status=0
for t in "${targets[@]}"; do
  binary=build-fuzz/fuzz/${t}_fuzzer
  [[ -x $binary ]] || { echo "fuzz: no target $t" >&2; status=1; continue; }
  scratch=$(mktemp -d)
  artifacts=build-fuzz/artifacts/$t
  mkdir -p "$artifacts"
  inputs=("fuzz/$t/corpus")
  [[ -d fuzz/$t/regressions ]] && inputs+=("fuzz/$t/regressions")
  if [[ $mode == check ]]; then
    runs=${check_runs[$t]:-20000}
    limit=(-seed="$check_seed" -runs="$runs")
    echo "fuzz: $t, seed $check_seed, $runs runs"
  else
    limit=(-max_total_time="$seconds")
    echo "fuzz: $t for ${seconds}s"
  fi
  if ! "$binary" "${limit[@]}" -timeout=10 -rss_limit_mb=1024 -malloc_limit_mb=512 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" \
        "$scratch" "${inputs[@]}" >"$artifacts/log" 2>&1; then
    echo "fuzz: $t FAILED; its log and input are in $artifacts" >&2
    tail -40 "$artifacts/log" >&2
    status=1
  else
    grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$artifacts/log" | sed "s/^/fuzz: $t /"
  fi
  rm -rf "$scratch"
done
exit $status
