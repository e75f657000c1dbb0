#!/usr/bin/env bash
# Saves pictures of the windows, opened over a store of sample calls, into docs/: the Calls window
# (calls-window.png), the call details and order details windows (call-details-window.png,
# order-details-window.png), the three order views (orders-by-*.png) and the list-of-calls dialog
# (list-calls-dialog.png). Runs the window tests' screenshot mode on a virtual X display.
# Usage: scripts/screenshot.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build}"
tests_ui="${TESTS_UI:-$build_dir/tests/tests_ui}"
if [ ! -x "$tests_ui" ]; then
    cmake --build "$build_dir" --target tests_ui -j 2
fi
mkdir -p docs
output="$PWD/docs/calls-window.png"
rm -f "$output"
VRQ_SCREENSHOT="$output" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
    "$tests_ui" --gtest_also_run_disabled_tests --gtest_filter='CallsWindowTools.DISABLED_SaveScreenshot'
[ -s "$output" ] || { echo "no picture was saved" >&2; exit 1; }
echo "$output"

details=("$PWD/docs/call-details-window.png" "$PWD/docs/order-details-window.png")
rm -f "${details[@]}"
VRQ_SCREENSHOT_DIR="$PWD/docs" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
    "$tests_ui" --gtest_also_run_disabled_tests --gtest_filter='DetailsWindowsTools.DISABLED_SaveScreenshots'
for picture in "${details[@]}"; do
    [ -s "$picture" ] || { echo "no picture was saved: $picture" >&2; exit 1; }
    echo "$picture"
done

pictures=(orders-by-salesperson.png orders-by-customer.png orders-by-date.png list-calls-dialog.png)
for picture in "${pictures[@]}"; do rm -f "docs/$picture"; done
VRQ_SCREENSHOT_DIR="$PWD/docs" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
    "$tests_ui" --gtest_also_run_disabled_tests --gtest_filter='ReportWindowsTools.DISABLED_SaveScreenshots'
for picture in "${pictures[@]}"; do
    [ -s "docs/$picture" ] || { echo "no picture was saved for $picture" >&2; exit 1; }
    echo "$PWD/docs/$picture"
done
