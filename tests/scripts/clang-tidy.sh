#!/usr/bin/env bash
# clang-tidy with the repository's .clang-tidy over every source under src/, from the build's compile
# database, one clang-tidy per processor:
#   clang-tidy.sh BUILD_DIR SOURCE_DIR
# Any finding fails. Exits 77, which CTest counts as skipped, when clang-tidy is not installed.
set -euo pipefail
build_dir=$(realpath "$1")
source_dir=$(realpath "$2")

tidy=$(command -v clang-tidy || command -v clang-tidy-14 || true)
runner=$(command -v run-clang-tidy || command -v run-clang-tidy-14 || true)
if [ -z "$tidy" ] || [ -z "$runner" ]; then
    echo "clang-tidy is not installed: skipped"
    exit 77
fi
[ -f "$build_dir/compile_commands.json" ] || {
    echo "no $build_dir/compile_commands.json: configure with CMAKE_EXPORT_COMPILE_COMMANDS=ON" >&2
    exit 1
}

# The sources are picked by a regular expression on their absolute path.
src_re="^$(printf '%s' "$source_dir/src/" | sed 's/[][\.*^$+?(){}|]/\\&/g')"
# run-clang-tidy colours its output always; the log of a test reads better without.
"$runner" -clang-tidy-binary "$tidy" -p "$build_dir" -quiet -j "$(nproc)" "$src_re" 2>&1 | sed 's/\x1b\[[0-9;]*m//g'
