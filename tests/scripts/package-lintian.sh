#!/usr/bin/env bash
# Builds the .deb from the build folder and checks it with lintian:
#   package-lintian.sh BUILD_DIR
# Any error (E:) or warning (W:) fails. An override in the package must give its reason on the comment
# line above it and may not hide a tag of the package's metadata (maintainer, copyright, changelog,
# description, maintainer scripts).
set -euo pipefail
build_dir=$(realpath "$1")
. "$(dirname "$0")/package-common.sh"
require_tools cpack dpkg-deb lintian

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vrq-lintian.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

deb=$(build_deb "$build_dir" "$scratch/pkg")
echo "$(basename "$deb")"

# lintian warns on stderr when it runs as root; that is not a finding.
status=0
lintian --fail-on none --show-overrides "$deb" >"$scratch/lintian.out" 2>"$scratch/lintian.err" || status=$?
cat "$scratch/lintian.out"
[ "$status" -eq 0 ] || { cat "$scratch/lintian.err" >&2; fail "lintian could not check the package (exit $status)"; }
findings=$(grep -E '^[EW]: ' "$scratch/lintian.out" || true)
[ -z "$findings" ] || fail "lintian reports $(wc -l <<<"$findings") errors or warnings (above)"

dpkg-deb -x "$deb" "$scratch/root"
overrides=$scratch/root/usr/share/lintian/overrides/vrqtoqx7
if [ -e "$overrides" ]; then
    awk 'NF && $1 !~ /^#/ && previous !~ /^#/ { print "no reason above: " $0; bad = 1 } { previous = $0 }
         END { exit bad }' "$overrides" || fail "an override without its reason"
    hidden=$(grep -E -v '^#' "$overrides" | grep -E -o 'bogus-mail-host|description-synopsis-is-duplicated|no-changelog|no-copyright-file|root-in-contact|extended-description-line-too-long|maintscript-calls-ldconfig' || true)
    [ -z "$hidden" ] || fail "the overrides hide what must be fixed: $hidden"
fi

# The changelog's first entry is the packaged version (lintian does not compare them).
version=$(dpkg-deb -f "$deb" Version)
top=$(zcat "$scratch/root/usr/share/doc/vrqtoqx7/changelog.gz" | head -n 1)
[[ "$top" == "vrqtoqx7 ($version) "* ]] || fail "the changelog begins with \"$top\", not with version $version"
grep -q '^License: Expat$' "$scratch/root/usr/share/doc/vrqtoqx7/copyright" ||
    fail "the copyright file does not give SQLiteCpp's licence"
echo "lintian: no errors or warnings; changelog at $version"
echo "PASS"
