#!/usr/bin/env bash
# Builds the benchmarks in build/ (RelWithDebInfo, -j2) and runs them; the table goes to stdout and
# the progress of each run to stderr. Arguments are passed to vrq_bench (e.g. --reps 3, --only intake).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VRQ_BENCH_BUILD:-$root/build}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVRQ_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target vrq_bench -j2
echo "machine: $(nproc) cores, $(free -h | awk '/^Mem:/ {print $2}') memory, $(lscpu | sed -n 's/^Model name: *//p')"
QT_QPA_PLATFORM=offscreen "$build/bench/vrq_bench" "$@"
