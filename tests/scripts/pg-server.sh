#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests: pg-server.sh start|stop|halt|resume DIR.
# start:  a new cluster in DIR/data, listening only on a Unix socket in DIR (no TCP), without fsync (a
#         commit outlives the server, not the machine), the superuser role "vrq" with trust authentication
#         on the socket. Under root the server runs as nobody:nogroup, and DIR stays world-accessible so
#         tests running as root reach the socket.
# stop:   stops the server (immediately) and removes DIR.
# halt:   stops the server as a crash would (pg_ctl stop -m immediate) and keeps its data.
# resume: starts the halted server again on its data (it recovers what was committed).
# The server programs come from $VRQ_PG_BINDIR, else `pg_config --bindir`, else /usr/lib/postgresql/*/bin.
# Exit status 77 means the server programs are missing (1 when VRQ_REQUIRE_PG=1).
set -euo pipefail
usage="usage: pg-server.sh start|stop|halt|resume DIR"
action="${1:?$usage}"
dir="${2:?$usage}"

bindir="${VRQ_PG_BINDIR:-}"
if [ -z "$bindir" ]; then
    if command -v pg_config >/dev/null && [ -x "$(pg_config --bindir)/initdb" ]; then
        bindir="$(pg_config --bindir)"
    else
        for d in /usr/lib/postgresql/*/bin; do
            [ -x "$d/initdb" ] && bindir="$d"
        done
    fi
fi

as_owner=()
if [ "$(id -u)" -eq 0 ]; then
    as_owner=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi

# Starts the cluster in DIR/data.
run_server() {
    "${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c unix_socket_permissions=0777" \
        -o "-c fsync=off -c full_page_writes=off" \
        start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    echo "pg-server.sh: server listening in $dir"
}

case "$action" in
start)
    if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ] || [ ! -x "$bindir/pg_ctl" ]; then
        echo "pg-server.sh: PostgreSQL server programs not found (initdb, pg_ctl)" >&2
        [ "${VRQ_REQUIRE_PG:-}" = 1 ] && exit 1
        exit 77
    fi
    if [ -f "$dir/data/postmaster.pid" ]; then
        "${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    mkdir -p "$dir"
    chmod 0777 "$dir"
    [ "${#as_owner[@]}" -eq 0 ] || chown nobody:nogroup "$dir"
    cd "$dir"
    "${as_owner[@]}" "$bindir/initdb" -D "$dir/data" -U vrq -A trust -E UTF8 --locale=C.UTF-8 --no-sync \
        >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    run_server
    ;;
resume)
    run_server
    ;;
halt)
    "${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null
    ;;
stop)
    if [ -n "$bindir" ] && [ -f "$dir/data/postmaster.pid" ]; then
        "${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null
    fi
    rm -rf "$dir"
    ;;
*)
    echo "$usage" >&2
    exit 2
    ;;
esac
