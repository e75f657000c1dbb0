#!/usr/bin/env bash
# Builds the .deb from the build folder, installs it and runs what it installed:
#   package-install.sh BUILD_DIR VRQ_GEN VERSION
# It installs with `dpkg -x` into a scratch root. In CI (CI=true, as root) it installs for real with
# `dpkg -i` and purges the package afterwards, so the dependencies are checked by dpkg itself; it does so
# only when no vrqtoqx7 is installed already and dpkg is free, since a developer's machine is shared
# with other builds whose suites would fight over the dpkg lock and remove each other's install.
set -euo pipefail
build_dir=$(realpath "$1")
vrq_gen=$2
version=$3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vrq-package.XXXXXX")
installed_for_real=0
cleanup() {
    if ((installed_for_real)); then
        dpkg --purge vrqtoqx7 >/dev/null || echo "could not purge vrqtoqx7" >&2
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

for tool in cpack dpkg-deb dpkg-shlibdeps systemd-analyze desktop-file-validate sqlite3; do
    command -v "$tool" >/dev/null ||
        fail "$tool is not installed; scripts/setup.sh installs it (dpkg-dev, systemd, desktop-file-utils, sqlite3)"
done

echo "== building the package"
(cd "$scratch" && cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$scratch/pkg") >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; fail "cpack could not build the package"; }
deb=$(find "$scratch/pkg" -maxdepth 1 -name 'vrqtoqx7_*.deb' | head -n 1)
[ -n "$deb" ] || fail "cpack wrote no vrqtoqx7_*.deb"
echo "$(basename "$deb")"

# dpkg-shlibdeps must have found what the programs link; the rest is named by hand.
depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
echo "Depends: $depends"
echo "Recommends: $recommends"
depend_names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//')
for lib in libqt6core6 libqt6network6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libsqlite3-0 libstdc++6; do
    grep -qx "$lib" <<<"$depend_names" || fail "Depends lacks $lib"
done
[[ "$recommends" == *cups* ]] || fail "Recommends lacks cups"

root=$scratch/root
dpkg -x "$deb" "$root"
prefix=$root
if [ "${CI:-}" = true ] && [ "$(id -u)" -eq 0 ]; then
    if dpkg-query -W -f='${Status}' vrqtoqx7 2>/dev/null | grep -q installed || [ -e /usr/bin/vrqtoqx7 ]; then
        echo "A vrqtoqx7 is installed on this machine already; it is left alone and the package is only unpacked."
    elif dpkg -i "$deb"; then
        installed_for_real=1
        prefix=""
        echo "Installed with dpkg -i (purged at the end)."
    else
        installed_for_real=1
        fail "dpkg -i refused the package (see above)"
    fi
fi

program=$prefix/usr/bin/vrqtoqx7
report=$prefix/usr/bin/vrqtoqx7-report
unit=$prefix/usr/lib/systemd/user/vrqtoqx7.service
for f in "$program" "$report" "$unit" "$prefix/usr/lib/vrqtoqx7/vrqtoqx7-windows.so" "$prefix/usr/share/applications/vrqtoqx7.desktop" \
    "$prefix/usr/share/icons/hicolor/scalable/apps/vrqtoqx7.svg" \
    "$prefix/usr/share/man/man1/vrqtoqx7.1.gz" "$prefix/usr/share/man/man1/vrqtoqx7-report.1.gz"; do
    [ -e "$f" ] || fail "the package does not install ${f#"$prefix"}"
done

echo "== the installed programs"
got=$("$program" --version) || fail "$program --version exited $?"
[ "$got" = "VRQToQX7 $version" ] || fail "$program --version printed \"$got\", not \"VRQToQX7 $version\""
echo "$got"
zcat "$prefix/usr/share/man/man1/vrqtoqx7.1.gz" | grep -q -- 'service' ||
    fail "the manual page does not describe --service"
desktop-file-validate "$prefix/usr/share/applications/vrqtoqx7.desktop" || fail "the desktop entry is not valid"

# A site as scripts/demo.sh lays it out: DataBin.Dat on drive C, the host share under ShareRoot.
home=$scratch/home
host=$scratch/smb/PKGHOST/Qdls/QX7Com
mkdir -p "$home/drives/C/ZIR32/DCS" "$host"
cat >"$scratch/VRQToQX7.ini" <<INI
[QX7]
QX7Name=PKGHOST
SystemID=3

[Miscellaneous]
ProcessDelay=0

[Drives]
ShareRoot=$scratch/smb
INI
calls=6
"$vrq_gen" databin "$home/drives/C/ZIR32/DCS/DataBin.Dat" --calls $calls --orders 2 --items 2 --seed 11 >/dev/null
export VRQTOQX7_HOME=$home VRQTOQX7_SETTINGS=$scratch/VRQToQX7.ini
status=0
"$program" --once || status=$?
[ "$status" -eq 0 ] || fail "the installed --once exited $status"
sent=$(find "$host" -name 'QX73*.Rcv' | wc -l)
[ "$sent" -eq "$calls" ] || fail "the installed --once wrote $sent order files, not $calls"
[ -e "$home/Audit/Databin.000" ] || fail "DataBin.Dat was not moved to Audit/Databin.000"
echo "--once sent $sent order files to $host"

status=0
"$report" --from 2000-01-01 --to 2099-12-31 --pdf "$scratch/calls.pdf" || status=$?
[ "$status" -eq 0 ] && [ -s "$scratch/calls.pdf" ] || fail "the installed vrqtoqx7-report exited $status"

echo "== the user unit"
exec_line=$(sed -n 's/^ExecStart=//p' "$unit")
[ "$exec_line" = "/usr/bin/vrqtoqx7 --service" ] || fail "the unit starts \"$exec_line\", not the installed program"
# Unpacked only, the program lies in the scratch root: the unit is checked with that path.
mkdir -p "$scratch/units" "$scratch/runtime"
chmod 700 "$scratch/runtime"
sed "s|^ExecStart=/usr/bin/|ExecStart=$prefix/usr/bin/|" "$unit" >"$scratch/units/vrqtoqx7.service"
# Every manual page the unit names must be in the package.
for page in $(sed -n 's/^Documentation=//p' "$unit" | tr ' ' '\n' | sed -n 's/^man://p'); do
    MANPATH=$prefix/usr/share/man man -w "$page" >/dev/null 2>&1 ||
        fail "the unit names the manual page $page, which the package does not hold"
done
# As root, man drops to its own user to show a page; where that user is missing (a trimmed image),
# systemd-analyze cannot open the page the unit names: the pages were found above, so the unit is
# verified without them.
if [ "$(id -u)" -eq 0 ] && ! id -u man >/dev/null 2>&1; then
    sed -i '/^Documentation=/d' "$scratch/units/vrqtoqx7.service"
    echo "no man user here: the unit's manual pages checked with man -w"
fi
# Without a user manager systemd-analyze still reads the unit; it needs a runtime folder of its own. It
# also opens the manual page the unit names, found here in the package's folder.
verify=$(XDG_RUNTIME_DIR=$scratch/runtime MANPATH=$prefix/usr/share/man \
    systemd-analyze --user verify "$scratch/units/vrqtoqx7.service" 2>&1) ||
    fail "systemd-analyze verify failed: $verify"
[ -z "$verify" ] || fail "systemd-analyze verify found problems: $verify"
echo "systemd-analyze --user verify: no findings"
# The sandbox: what the service may reach, scored by systemd (10 is a unit without any).
exposure=$(XDG_RUNTIME_DIR=$scratch/runtime systemd-analyze --user security --offline=yes --threshold=50 \
    "$scratch/units/vrqtoqx7.service" 2>&1) ||
    fail "the unit's exposure is above 5.0: $(tail -n 1 <<<"$exposure")"
tail -n 1 <<<"$exposure"
grep -qx 'ReadWritePaths=%h/.local/share/VRQToQX7 %h/.config/VRQToQX7' "$unit" ||
    fail "the unit does not let the service write its program folder and its settings folder"

# The unit's own command under the unit's umask, stopped the way systemd stops it. The calls it takes are
# sent in order files that the host's collector, reading the share as another user, can read.
umask_value=$(sed -n 's/^UMask=//p' "$unit")
[ -n "$umask_value" ] || fail "the unit sets no UMask"
more=3
"$vrq_gen" databin "$home/drives/C/ZIR32/DCS/DataBin.Dat" --calls $more --orders 1 --items 1 --seed 12 \
    --first-call 101 >/dev/null
read -r -a command <<<"$exec_line"
command[0]=$prefix${command[0]}
(umask "$umask_value" && exec "${command[@]}") &
pid=$!
for _ in $(seq 200); do
    started=$(sqlite3 "$home/CallsAndOrders.db" "SELECT count(*) FROM Audit WHERE Msg LIKE 'Program started%'" 2>/dev/null || echo 0)
    sent=$(find "$host" -name 'QX73*.Rcv' | wc -l)
    [ "$started" -ge 2 ] && [ "$sent" -ge $((calls + more)) ] && break
    sleep 0.1
done
[ "$started" -ge 2 ] || { kill -KILL $pid; fail "--service did not start within 20 s"; }
[ "$sent" -ge $((calls + more)) ] || { kill -KILL $pid; fail "--service sent $((sent - calls)) of $more calls within 20 s"; }
unreadable=$(find "$host" -name 'QX73*.Rcv' ! -perm 0644)
[ -z "$unreadable" ] || { kill -KILL $pid; fail "order files not of mode 0644 under UMask=$umask_value: $unreadable"; }
echo "--service under UMask=$umask_value sent $more more order files, each of mode 0644"
kill -TERM $pid
status=0
wait $pid || status=$?
[ "$status" -eq 0 ] || fail "--service stopped by SIGTERM exited $status"
stopped=$(sqlite3 "$home/CallsAndOrders.db" "SELECT count(*) FROM Audit WHERE Msg = 'Program stopped'")
[ "$stopped" -eq 2 ] || fail "--service did not write \"Program stopped\" when stopped by SIGTERM"
echo "--service started and stopped by SIGTERM with exit 0"

echo "== window mode (offscreen)"
# The windows are a module the installed program loads from its library folder.
QT_QPA_PLATFORM=offscreen "$program" 2>"$scratch/window.err" &
pid=$!
for _ in $(seq 100); do
    started=$(sqlite3 "$home/CallsAndOrders.db" "SELECT count(*) FROM Audit WHERE Msg LIKE 'Program started%'" 2>/dev/null || echo 0)
    [ "$started" -ge 3 ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
done
[ "$started" -ge 3 ] || { kill -KILL $pid 2>/dev/null; cat "$scratch/window.err" >&2; fail "window mode did not start within 10 s"; }
kill -TERM $pid
status=0
wait $pid || status=$?
[ "$status" -eq 0 ] || { cat "$scratch/window.err" >&2; fail "window mode stopped by SIGTERM exited $status"; }
echo "window mode started from the installed module and stopped by SIGTERM with exit 0"
echo "PASS"
