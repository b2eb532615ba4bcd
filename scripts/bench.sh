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
exit "$status"
