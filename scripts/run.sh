#!/usr/bin/env bash
# Builds Quorvel, creates demo/ with sample data on the first run, and starts the program with
# demo/ as its working directory (it finds cme.mdb and quorvel.ini there).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: neither DISPLAY nor WAYLAND_DISPLAY is set." >&2
  echo "Run the program under a virtual X server instead:" >&2
  echo "  xvfb-run -a scripts/run.sh" >&2
  exit 1
fi

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target quorvel quorvel-admin

if [ ! -e demo/cme.mdb ]; then
  build/bin/quorvel-admin demo demo
fi

cd demo
exec "$root/build/bin/quorvel"
