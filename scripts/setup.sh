#!/usr/bin/env bash
# Installs the Debian packages the program, its tests, its benchmarks and its .deb need, then configures and
# builds into build/ (or the folder given as $1). Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build}"

packages=(build-essential cmake qt6-base-dev libsqlite3-dev libsqlitecpp-dev libgtest-dev libbenchmark-dev
          xvfb xauth openbox x11-utils clang-format clang-tidy libgl-dev sqlite3 clang libclang-rt-14-dev
          cups cups-client cups-bsd poppler-utils fonts-liberation
          dpkg-dev file help2man desktop-file-utils systemd lintian postgresql libpq-dev ccache)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo_cmd=""
    [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
    $sudo_cmd apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${VRQ_CMAKE_ARGS:-}
cmake --build "$build_dir" -j "$(nproc)"
