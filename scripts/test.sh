#!/usr/bin/env bash
# Sets up, builds, makes the test printer the default printer and runs every test (unit, window tests on
# the offscreen platform, end-to-end scripts).
set -euo pipefail
cd "$(dirname "$0")/.."
VRQ_CMAKE_ARGS="-DVRQ_WERROR=ON ${VRQ_CMAKE_ARGS:-}" ./scripts/setup.sh build
# The print tests print on the default CUPS printer and read the kept jobs back.
VRQ_TEST_PRINTER_FOLDER="$(./scripts/test-printer.sh)"
export VRQ_TEST_PRINTER_FOLDER
unset PRINTER LPDEST
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$(nproc)"
