#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests: pg-server.sh start|stop DIR.
# start: a new cluster in DIR/data, listening only on a Unix socket in DIR (no TCP), durability off, the
#        superuser role "vrq" with trust authentication on the socket. Under root the server runs as
#        nobody:nogroup, and DIR stays world-accessible so tests running as root reach the socket.
# stop:  stops the server (immediately) and removes DIR.
# The server programs come from $VRQ_PG_BINDIR, else `pg_config --bindir`, else /usr/lib/postgresql/*/bin.
# Exit status 77 means the server programs are missing (1 when VRQ_REQUIRE_PG=1).
set -euo pipefail
action="${1:?usage: pg-server.sh start|stop DIR}"
dir="${2:?usage: pg-server.sh start|stop DIR}"

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
    "${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c unix_socket_permissions=0777" \
        -o "-c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
        start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    echo "pg-server.sh: server listening in $dir"
    ;;
stop)
    if [ -n "$bindir" ] && [ -f "$dir/data/postmaster.pid" ]; then
        "${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null
    fi
    rm -rf "$dir"
    ;;
*)
    echo "usage: pg-server.sh start|stop DIR" >&2
    exit 2
    ;;
esac
