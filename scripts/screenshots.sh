#!/usr/bin/env bash
# Takes the pictures of the staff guide: builds the programs, makes a demonstration database in
# a temporary folder and runs the program on it under a virtual X server, writing the PNGs that
# docs/GUIDE.md shows. Usage: scripts/screenshots.sh [OUTPUT-FOLDER] (default docs/images).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUORVEL_BUILD_DIR:-$root/build}"
out="$(mkdir -p "${1:-$root/docs/images}" && cd "${1:-$root/docs/images}" && pwd)"

if [ ! -x "$build/bin/quorvel-guide-shots" ] || [ -z "${QUORVEL_BUILD_DIR:-}" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j"$(nproc)" --target quorvel-admin quorvel-guide-shots
fi
demo="$(mktemp -d)"
trap 'rm -rf "$demo"' EXIT
"$build/bin/quorvel-admin" demo "$demo" >/dev/null
LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8 xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$build/bin/quorvel-guide-shots" "$demo" "$out"
echo "pictures in $out"
