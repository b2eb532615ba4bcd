#!/usr/bin/env bash
# Builds everything in build/ and runs every test. The last line printed is CTest's summary
# ("100% tests passed, 0 tests failed out of N") and the exit code is CTest's.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"

# A real printer for the print tests: the cups-pdf queue QuorvelPDF as the default printer.
# Without root or CUPS the tests that need it report themselves as skipped, with the reason.
bash scripts/setup-printer.sh || echo "No CUPS printer for the tests: the print tests will be skipped"

# A private PostgreSQL server for the second run of the data-layer and sign-in tests (the *_pg
# tests and tst_server); without one they report themselves as skipped, with the reason.
source scripts/pg-server.sh
trap pg_server_stop EXIT
pg_server_start
if [ -z "$QUORVEL_TEST_PG" ]; then
  echo "No PostgreSQL test server ($QUORVEL_TEST_PG_SKIPPED): the server tests will be skipped"
fi

export QT_QPA_PLATFORM=offscreen
log="build/ctest-output.log"
status=0
ctest --test-dir build --output-on-failure 2>&1 | tee "$log" || status=${PIPESTATUS[0]}
# CTest prints the test time and the list of failures after its summary; repeat the summary
# so that it closes the output.
summary="$(grep -E '^[0-9]+% tests passed' "$log" | tail -n 1 || true)"
if [ -n "$summary" ]; then
  echo
  echo "$summary"
fi
exit "$status"
