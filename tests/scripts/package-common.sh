# Shared by the package tests (sourced): the failure message and the .deb built from a build folder.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Fails with the package that installs a tool when one of them is missing.
require_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null ||
            fail "$tool is not installed; scripts/setup.sh installs it (dpkg-dev, lintian, systemd, desktop-file-utils, sqlite3)"
    done
}

# build_deb BUILD_DIR OUT_DIR [CPACK_ARGUMENT...]: builds the .deb into OUT_DIR, with any further cpack
# arguments (-D CPACK_PACKAGE_VERSION=... for an older build), and prints its path.
build_deb() {
    local build_dir=$1 out=$2 deb
    shift 2
    mkdir -p "$out"
    (cd "$out" && cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$out" "$@") >"$out/cpack.log" 2>&1 ||
        { cat "$out/cpack.log" >&2; fail "cpack could not build the package"; }
    deb=$(find "$out" -maxdepth 1 -name 'vrqtoqx7_*.deb' | head -n 1)
    [ -n "$deb" ] || fail "cpack wrote no vrqtoqx7_*.deb"
    echo "$deb"
}
