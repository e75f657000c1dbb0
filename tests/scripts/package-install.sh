#!/usr/bin/env bash
# Builds the .deb from the build folder, installs it and runs what it installed:
#   package-install.sh BUILD_DIR VRQ_GEN VERSION
# It installs with `dpkg -x` into a scratch root. In CI (CI=true, as root) it installs for real with
# `dpkg -i` and purges the package afterwards, so the dependencies are checked by dpkg itself; it does so
# only when no vrqtoqx7 is installed already and dpkg is free, since a developer's machine is shared
# with other builds whose suites would fight over the dpkg lock and remove each other's install.
# Installed for real, it also upgrades from an older build and removes the package, with a user's
# settings and store beside it and a --service running through each.
set -euo pipefail
build_dir=$(realpath "$1")
vrq_gen=$2
version=$3
. "$(dirname "$0")/package-common.sh"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vrq-package.XXXXXX")
installed_for_real=0
cleanup() {
    if ((installed_for_real)); then
        dpkg --purge vrqtoqx7 >/dev/null || echo "could not purge vrqtoqx7" >&2
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

require_tools cpack dpkg-deb dpkg-shlibdeps systemd-analyze desktop-file-validate sqlite3

# A site as scripts/demo.sh lays it out under DIR: the program folder DIR/home with DataBin.Dat on
# drive C, the host share under DIR/smb, the settings file DIR/VRQToQX7.ini.
make_site() {
    local dir=$1
    mkdir -p "$dir/home/drives/C/ZIR32/DCS" "$dir/smb/PKGHOST/Qdls/QX7Com"
    cat >"$dir/VRQToQX7.ini" <<INI
[QX7]
QX7Name=PKGHOST
SystemID=3

[Miscellaneous]
ProcessDelay=0

[Drives]
ShareRoot=$dir/smb
INI
}

# What a user keeps of a site: every file of the program folder (the store among them) and the settings.
user_files_sums() {
    (cd "$1" && find home VRQToQX7.ini -type f -print0 | sort -z | xargs -0 sha256sum)
}

started_count() {
    sqlite3 "$1/home/CallsAndOrders.db" "SELECT count(*) FROM Audit WHERE Msg LIKE 'Program started%'" \
        2>/dev/null || echo 0
}

# The installed --service on the site, its stderr (what the journal would keep) in DIR/service.err.
start_service() {
    local dir=$1 before
    before=$(started_count "$dir")
    env VRQTOQX7_HOME="$dir/home" VRQTOQX7_SETTINGS="$dir/VRQToQX7.ini" /usr/bin/vrqtoqx7 --service \
        >/dev/null 2>"$dir/service.err" &
    service_pid=$!
    for _ in $(seq 200); do
        [ "$(started_count "$dir")" -gt "$before" ] && return 0
        sleep 0.1
    done
    kill -KILL $service_pid
    fail "the installed --service did not start within 20 s: $(cat "$dir/service.err")"
}

# The service whose program file dpkg replaced or removed ends by itself, says why and exits 72, so that
# systemd (Restart=on-failure) starts the installed program instead.
expect_service_ended() {
    local dir=$1 what=$2 status=0 line
    for _ in $(seq 300); do
        kill -0 $service_pid 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 $service_pid 2>/dev/null; then
        kill -KILL $service_pid
        fail "the running --service went on for 30 s after the $what"
    fi
    wait $service_pid || status=$?
    [ "$status" -eq 72 ] || fail "the running --service ended with exit $status at the $what, not 72: $(cat "$dir/service.err")"
    line=$(grep -m 1 'The program file /usr/bin/vrqtoqx7 was replaced or removed' "$dir/service.err") ||
        fail "the running --service said nothing of the $what in its log: $(cat "$dir/service.err")"
    echo "the running --service at the $what: $line"
}

# The older build installed first: a user's settings and store made by it, and its --service running,
# are there when the newer one is installed over it.
upgrade_from_older_build() {
    local older=${version}~older old_deb before after
    old_deb=$(build_deb "$build_dir" "$scratch/older" -D CPACK_PACKAGE_VERSION="$older")
    dpkg -i "$old_deb" >/dev/null || fail "dpkg -i refused the older build $(basename "$old_deb")"
    make_site "$scratch/upgrade"
    "$vrq_gen" databin "$scratch/upgrade/home/drives/C/ZIR32/DCS/DataBin.Dat" --calls 4 --orders 1 --items 1 \
        --seed 21 >/dev/null
    env VRQTOQX7_HOME="$scratch/upgrade/home" VRQTOQX7_SETTINGS="$scratch/upgrade/VRQToQX7.ini" \
        /usr/bin/vrqtoqx7 --once >/dev/null || fail "the older build's --once exited $?"
    before=$(user_files_sums "$scratch/upgrade")
    make_site "$scratch/service"
    start_service "$scratch/service"
    dpkg -i "$deb" >/dev/null || fail "dpkg -i refused to install $(basename "$deb") over $older"
    [ "$(dpkg-query -W -f='${Version}' vrqtoqx7)" = "$version" ] || fail "the upgrade did not install $version"
    expect_service_ended "$scratch/service" upgrade
    after=$(user_files_sums "$scratch/upgrade")
    [ "$after" = "$before" ] || fail "the upgrade changed the user's files: $(diff <(echo "$before") <(echo "$after"))"
    echo "upgraded from $older to $version; the user's settings and store are as they were"
}

# Removed, the package leaves no file it installed, and the user's files stay. An enablement for every
# user that an administrator made stays as configuration; the purge removes it.
remove_package() {
    local listed gone_too=() path left before after
    local link=/etc/systemd/user/default.target.wants/vrqtoqx7.service
    listed=$(dpkg -L vrqtoqx7)
    while read -r path; do
        # Folders other packages share (/usr/bin) stay; the package's own ones go with its files.
        if [ ! -d "$path" ] || [[ "$path" == */vrqtoqx7 ]]; then
            gone_too+=("$path")
        fi
    done <<<"$listed"
    systemctl --global enable vrqtoqx7.service >/dev/null 2>&1 || fail "systemctl --global enable vrqtoqx7 failed"
    [ -L "$link" ] || fail "systemctl --global enable made no $link"
    start_service "$scratch/service"
    before=$(user_files_sums "$scratch/upgrade")
    dpkg -r vrqtoqx7 >/dev/null || fail "dpkg -r vrqtoqx7 failed"
    expect_service_ended "$scratch/service" removal
    left=$(for path in "${gone_too[@]}"; do [ -e "$path" ] && echo "$path"; done || true)
    [ -z "$left" ] || fail "the removal left what the package installed: $left"
    after=$(user_files_sums "$scratch/upgrade")
    [ "$after" = "$before" ] || fail "the removal changed the user's files: $(diff <(echo "$before") <(echo "$after"))"
    echo "removed: none of the ${#gone_too[@]} files and folders of the package is left; the user's files are as they were"
    [ -L "$link" ] || fail "the removal dropped the enablement for every user, which is configuration"
    dpkg --purge vrqtoqx7 >/dev/null || fail "dpkg --purge vrqtoqx7 failed"
    installed_for_real=0
    [ ! -L "$link" ] || fail "the purge left $link"
    echo "purged: the enablement for every user went with it"
}

echo "== building the package"
deb=$(build_deb "$build_dir" "$scratch/pkg")
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
    else
        installed_for_real=1
        echo "== upgrade from an older build"
        upgrade_from_older_build
        prefix=""
        echo "Installed with dpkg -i over an older build (purged at the end)."
    fi
else
    echo "Unpacked only: the upgrade and the removal are tested where it installs for real (CI=true, as root)."
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

make_site "$scratch"
home=$scratch/home
host=$scratch/smb/PKGHOST/Qdls/QX7Com
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

if ((installed_for_real)); then
    echo "== removal"
    remove_package
fi
echo "PASS"
