#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds (default 30) on
# a copy of its seed corpus. Fails on any crash, hang, leak or sanitizer report; the input that caused it
# is left in build-fuzz/artifacts/.
# Usage: scripts/fuzz.sh [seconds] [target...]   (targets: call_loop call_framing scanned_file settings)
# VRQ_FUZZ_SANITIZERS=undefined fuzzes a build with UndefinedBehaviorSanitizer alone (build-fuzz-undefined,
# the long runs) and then replays every input of the grown corpus under both sanitizers (build-fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shift || true
targets=("$@")
((${#targets[@]})) || targets=(call_loop call_framing scanned_file settings)

both=address,undefined
sanitizers="${VRQ_FUZZ_SANITIZERS:-$both}"
build_fuzz() { # build folder, sanitizers
    cmake -S . -B "$1" -DVRQ_FUZZ=ON -DVRQ_FUZZ_SANITIZERS="$2" -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVRQ_WITH_UI=OFF -DVRQ_BUILD_TESTS=OFF -DVRQ_BUILD_BENCH=OFF
    cmake --build "$1" -j "${VRQ_JOBS:-$(nproc)}" --target "${targets[@]/#/fuzz_}"
}
build=build-fuzz
[ "$sanitizers" = "$both" ] || build="build-fuzz-${sanitizers//,/-}"
build_fuzz "$build" "$sanitizers"
[ "$sanitizers" = "$both" ] || build_fuzz build-fuzz "$both"

# The store and input files live in memory when it can: every input commits to the store.
base=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
work=$(mktemp -d "$base/vrq-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
artifacts="$PWD/build-fuzz/artifacts"
mkdir -p "$artifacts"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for t in "${targets[@]}"; do
    mkdir -p "$work/$t/tmp"
    cp -r "fuzz/corpus/$t" "$work/$t/corpus"
    echo "== fuzz_$t for ${seconds}s"
    if ! (cd "$work/$t" && TMPDIR="$work/$t/tmp" "$OLDPWD/$build/fuzz/fuzz_$t" -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -max_len=16384 -print_final_stats=1 \
        -artifact_prefix="$artifacts/$t-" corpus 2>"$work/$t/log"); then
        failed+=("$t")
    fi
    if [ "$sanitizers" != "$both" ]; then
        # Every input the run kept, once more under AddressSanitizer as well (-runs=0: the corpus only).
        echo "== fuzz_$t: the grown corpus ($(ls "$work/$t/corpus" | wc -l) inputs) replayed under $both"
        if ! (cd "$work/$t" && TMPDIR="$work/$t/tmp" "$OLDPWD/build-fuzz/fuzz/fuzz_$t" -runs=0 -timeout=10 \
            -rss_limit_mb=2048 -max_len=16384 -artifact_prefix="$artifacts/$t-replay-" corpus 2>"$work/$t/replay"); then
            failed+=("$t (replay)")
        fi
        grep -E "^(==[0-9]+==ERROR|SUMMARY|.*runtime error|fuzz invariant|Done [0-9]+ runs)" "$work/$t/replay" || true
    fi
    grep -E "^(==[0-9]+==ERROR|SUMMARY|.*runtime error|fuzz invariant)" "$work/$t/log" || true
    grep -E "^(stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb|#[0-9]+ *DONE)" "$work/$t/log" || tail -n 30 "$work/$t/log"
done
if ((${#failed[@]})); then
    echo "fuzz: failed: ${failed[*]} (inputs in $artifacts)" >&2
    exit 1
fi
echo "fuzz: no findings"
