#!/usr/bin/env bash
# Builds a Release tree in build-bench/, creates the benchmark database build-bench/benchdb/
# once, and runs every benchmark program build-bench/bin/bench_* on it in turn. Each prints
# lines such as "startup_ratio 1.32".
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release
cmake --build build-bench -j"$(nproc)"

benchdb="$root/build-bench/benchdb"
if [ ! -e "$benchdb/cme.mdb" ]; then
  build-bench/bin/quorvel-admin synth --participants 100000 --conferences 10000 \
    --attendances 1000000 --speakers 300 "$benchdb"
fi

# The benchmarks drive real windows; without a display they render offscreen.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
fi

shopt -s nullglob
benches=(build-bench/bin/bench_*)
if [ ${#benches[@]} -eq 0 ]; then
  echo "No benchmark programs were built (build-bench/bin/bench_*)." >&2
  exit 1
fi

status=0
for bench in "${benches[@]}"; do
  [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  if ! "$bench" "$benchdb"; then
    echo "$(basename "$bench") failed" >&2
    status=1
  fi
done

# The same synthetic data on a private PostgreSQL server (fsync on): the sign-in window and two
# stations at once, printed with the prefix pg_.
source scripts/pg-server.sh
trap pg_server_stop EXIT
pg_server_start durable
if [ -z "$QUORVEL_TEST_PG" ]; then
  echo "No PostgreSQL server for the pg_ figures: $QUORVEL_TEST_PG_SKIPPED"
  exit "$status"
fi
pgdir="$root/build-bench/benchdb-pg"
rm -rf "$pgdir"
mkdir -p "$pgdir"
pg_text="${QUORVEL_TEST_PG/dbname=postgres/dbname=quorvel_bench}"
pg_port="$(sed 's/.*port=\([0-9]*\).*/\1/' <<<"$QUORVEL_TEST_PG")"
pg_user="$(sed 's/.*user=//' <<<"$QUORVEL_TEST_PG")"
"${PG_SERVER_RUN[@]}" "$PG_SERVER_BIN/createdb" -h "$PG_SERVER_DIR" -p "$pg_port" -U "$pg_user" quorvel_bench
build-bench/bin/quorvel-admin copy "$benchdb" "$pg_text" >/dev/null
printf '[Database]\r\nDriver=postgresql\r\nHost=%s\r\nPort=%s\r\nName=quorvel_bench\r\nUser=%s\r\n' \
  "$PG_SERVER_DIR" "$pg_port" "$pg_user" >"$pgdir/quorvel.ini"
for bench in build-bench/bin/bench_signin build-bench/bin/bench_stations build-bench/bin/bench_door; do
  echo "== $(basename "$bench") (PostgreSQL)"
  if ! "$bench" "$pgdir"; then
    echo "$(basename "$bench") on the server failed" >&2
    status=1
  fi
done
exit "$status"
