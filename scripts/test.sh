#!/usr/bin/env bash
# Sets up, builds and runs every test (unit, window tests on the offscreen platform, end-to-end scripts).
set -euo pipefail
cd "$(dirname "$0")/.."
VRQ_CMAKE_ARGS="-DVRQ_WERROR=ON ${VRQ_CMAKE_ARGS:-}" ./scripts/setup.sh build
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$(nproc)"
