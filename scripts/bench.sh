#!/usr/bin/env bash
# Builds a Release tree in build-bench/, creates the benchmark database build-bench/benchdb/
# once, and runs every benchmark program build-bench/bin/bench_* on it in turn. Each prints
# lines such as "startup_ratio 1.32".
#   bash scripts/bench.sh          every benchmark
#   bash scripts/bench.sh door     only the door's figures (sign-in window, scans, two stations)
set -euo pipefail
only="${1:-}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release
if [ "$only" = door ]; then
  cmake --build build-bench -j"$(nproc)" --target quorvel-admin bench_signin bench_stations \
    bench_door delay_proxy
else
  cmake --build build-bench -j"$(nproc)"
fi

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
if [ "$only" = door ]; then
  benches=(build-bench/bin/bench_signin build-bench/bin/bench_stations build-bench/bin/bench_door)
fi
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
pg_socket="$PG_SERVER_DIR/.s.PGSQL.$pg_port"
# The server counts the messages of a scan in its log (log_statement, set by bench_door).
export QUORVEL_BENCH_PG_LOG="$PG_SERVER_DIR/server.log"
for bench in build-bench/bin/bench_signin build-bench/bin/bench_stations build-bench/bin/bench_door; do
  echo "== $(basename "$bench") (PostgreSQL)"
  if ! "$bench" "$pgdir"; then
    echo "$(basename "$bench") on the server failed" >&2
    status=1
  fi
done

# The server's sign-in figures again over a link with a 2 ms round trip, printed with the prefix
# pg_lan_. The stations reach the server through TCP on a loopback: delay_proxy passes the
# connections on to the server's socket.
lan_dir="$root/build-bench/benchdb-pg-lan"
rm -rf "$lan_dir"
mkdir -p "$lan_dir"
# lan_run LABEL [COMMAND PREFIX...]: the figures through the proxy whose port is in $lan_port.
lan_run() {
  local label="$1"
  shift
  printf '[Database]\r\nDriver=postgresql\r\nHost=127.0.0.1\r\nPort=%s\r\nName=quorvel_bench\r\nUser=%s\r\n' \
    "$lan_port" "$pg_user" >"$lan_dir/quorvel.ini"
  for bench in build-bench/bin/bench_signin build-bench/bin/bench_door; do
    echo "== $(basename "$bench") (PostgreSQL, $label)"
    if ! QUORVEL_BENCH_PREFIX=pg_lan_ QUORVEL_BENCH_LABEL="${label:+ ($label)}" \
        "$@" "$bench" "$lan_dir"; then
      echo "$(basename "$bench") over the slow link failed" >&2
      status=1
    fi
  done
}
# start_proxy DELAY_US [COMMAND PREFIX...]: sets lan_port and lan_proxy (the proxy's process).
start_proxy() {
  local delay="$1"
  shift
  coproc LAN_PROXY { "$@" build-bench/bin/delay_proxy "$pg_socket" "$delay"; }
  lan_proxy="$LAN_PROXY_PID"
  read -r lan_port <&"${LAN_PROXY[0]}"
}
# The proxy ends when its input closes (also when it runs under "ip netns exec").
stop_proxy() {
  local input="${LAN_PROXY[1]}"
  exec {input}>&-
  kill "$lan_proxy" 2>/dev/null || true
  wait "$lan_proxy" 2>/dev/null || true
}

# A real link: a network namespace of the bench's own whose loopback delays each packet by 1 ms
# (netem). Where it cannot be made, the bench says so and skips these figures.
ns="quorvel-bench-$$"
netem_skip=""
if [ "$(id -u)" -ne 0 ]; then
  netem_skip="the bench does not run as root"
elif ! ip netns add "$ns" 2>"$lan_dir/netns.err"; then
  netem_skip="no network namespace: $(head -n 1 "$lan_dir/netns.err")"
elif ! ip netns exec "$ns" ip link set lo up 2>"$lan_dir/netns.err" ||
     ! ip netns exec "$ns" tc qdisc add dev lo root netem delay 1ms 2>"$lan_dir/netns.err"; then
  netem_skip="no netem delay in the namespace: $(head -n 1 "$lan_dir/netns.err")"
  ip netns del "$ns" 2>/dev/null || true
fi
if [ -z "$netem_skip" ]; then
  start_proxy 0 ip netns exec "$ns"
  lan_run "" ip netns exec "$ns"
  stop_proxy
  ip netns del "$ns" 2>/dev/null || true
else
  echo "pg_lan figures through a netem namespace skipped: $netem_skip"
fi

# A stand-in where netem is missing: the same figures through a proxy on this machine's loopback
# that holds the data 1 ms in each direction, labelled as such.
start_proxy 1000
lan_run "1 ms delay proxy"
stop_proxy
exit "$status"
