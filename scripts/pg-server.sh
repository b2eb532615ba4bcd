#!/usr/bin/env bash
# A private PostgreSQL server for the tests and benchmarks: a new cluster in a temporary folder,
# on a free port, listening only on a Unix socket in that folder. Source this file, then
#   pg_server_start [durable]   # sets QUORVEL_TEST_PG (empty, with QUORVEL_TEST_PG_SKIPPED the reason,
#                     # when PostgreSQL is not installed or does not start)
#   pg_server_stop
# The tests' server skips fsync; "durable" keeps it, as the benchmarks want. When the script
# runs as root, the server runs as the unprivileged user "postgres" (or
# "nobody"), which the server requires.

pg_server_start() {
  export QUORVEL_TEST_PG=""
  export QUORVEL_TEST_PG_SKIPPED=""
  local bindir
  bindir="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
  if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ]; then
    QUORVEL_TEST_PG_SKIPPED="PostgreSQL is not installed (Debian package postgresql)"
    return 0
  fi
  PG_SERVER_DIR="$(mktemp -d /tmp/quorvel-pg.XXXXXX)"
  PG_SERVER_RUN=()
  local owner
  owner="$(id -un)"
  if [ "$(id -u)" -eq 0 ]; then
    owner=postgres
    id -u "$owner" >/dev/null 2>&1 || owner=nobody
    chown "$owner" "$PG_SERVER_DIR"
    PG_SERVER_RUN=(runuser -u "$owner" --)
  fi
  chmod 700 "$PG_SERVER_DIR"
  local fsync=off
  [ "${1:-}" = "durable" ] && fsync=on
  local port
  port="$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')"
  if ! "${PG_SERVER_RUN[@]}" "$bindir/initdb" -D "$PG_SERVER_DIR/data" -U "$owner" --auth=trust \
        --encoding=UTF8 --locale=C.UTF-8 >"$PG_SERVER_DIR/initdb.log" 2>&1; then
    QUORVEL_TEST_PG_SKIPPED="initdb failed: $(tail -n 1 "$PG_SERVER_DIR/initdb.log")"
    return 0
  fi
  if ! "${PG_SERVER_RUN[@]}" "$bindir/pg_ctl" -D "$PG_SERVER_DIR/data" -l "$PG_SERVER_DIR/server.log" \
        -o "-p $port -k $PG_SERVER_DIR -c listen_addresses='' -c fsync=$fsync -c max_connections=200" \
        -w start >/dev/null 2>&1; then
    QUORVEL_TEST_PG_SKIPPED="the PostgreSQL server did not start: $(tail -n 1 "$PG_SERVER_DIR/server.log" 2>/dev/null)"
    return 0
  fi
  PG_SERVER_BIN="$bindir"
  export QUORVEL_TEST_PG="host=$PG_SERVER_DIR port=$port dbname=postgres user=$owner"
}

pg_server_stop() {
  if [ -n "${PG_SERVER_DIR:-}" ] && [ -d "$PG_SERVER_DIR" ]; then
    if [ -n "${PG_SERVER_BIN:-}" ]; then
      "${PG_SERVER_RUN[@]}" "$PG_SERVER_BIN/pg_ctl" -D "$PG_SERVER_DIR/data" -m fast -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$PG_SERVER_DIR"
  fi
}
