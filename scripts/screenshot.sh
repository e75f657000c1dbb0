#!/usr/bin/env bash
# Saves pictures of the windows, opened over a store of sample calls, into docs/: the Calls window
# (calls-window.png, and calls-window-store-away.png while a database server is away), the call details and order details windows (call-details-window.png,
# order-details-window.png), the three order views (orders-by-*.png), the list-of-calls dialog
# (list-calls-dialog.png), the Properties dialog, the folder browser and the About box
# (properties-dialog.png with its Store tab in properties-store-tab.png, folder-browser.png, about-box.png). Runs tools/screenshots.cpp on a virtual X
# display. Usage: scripts/screenshot.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build}"
cmake --build "$build_dir" --target vrq-screenshots -j 2
mkdir -p docs

pictures=(calls-window.png call-details-window.png order-details-window.png orders-by-salesperson.png
          orders-by-customer.png orders-by-date.png list-calls-dialog.png properties-dialog.png
          properties-store-tab.png calls-window-store-away.png
          folder-browser.png about-box.png)
for picture in "${pictures[@]}"; do rm -f "docs/$picture"; done

QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$build_dir/tools/vrq-screenshots" "$PWD/docs"

for picture in "${pictures[@]}"; do
    [ -s "docs/$picture" ] || { echo "no picture docs/$picture was saved" >&2; exit 1; }
    echo "$PWD/docs/$picture"
done
