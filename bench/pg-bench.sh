#!/usr/bin/env bash
# The PostgreSQL intake benchmark: starts a throw-away server (tests/scripts/pg-server.sh: Unix socket
# only, durability off as in the tests), runs vrq_bench --only pg against it with the arguments given
# (e.g. --reps 5 --process-sizes 2000,20000), and stops the server whatever happens.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VRQ_BENCH_BUILD:-$root/build}"
server="$(mktemp -d /tmp/vrq-bench-pg-XXXXXX)"
trap '"$root/tests/scripts/pg-server.sh" stop "$server"' EXIT
"$root/tests/scripts/pg-server.sh" start "$server" >&2
cmake --build "$build" --target vrq_bench -j2 >&2
VRQ_BENCH_PG_SOCKET="$server" QT_QPA_PLATFORM=offscreen "$build/bench/vrq_bench" --only pg "$@"
