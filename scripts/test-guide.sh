#!/usr/bin/env bash
# Takes the staff guide's pictures with scripts/screenshots.sh into a temporary folder and checks
# that every picture docs/GUIDE.md names was taken, and is also in docs/images for the guide
# to show. Exit 77 means skipped; the reason is printed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "$1" && pwd)"
command -v xvfb-run >/dev/null || { echo "SKIPPED: xvfb-run is not installed"; exit 77; }
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

QUORVEL_BUILD_DIR="$build" bash "$root/scripts/screenshots.sh" "$out"
mapfile -t names < <(grep -o '](images/[^)]*)' "$root/docs/GUIDE.md" | sed 's/^](images\///; s/)$//')
[ "${#names[@]}" -gt 0 ] || { echo "docs/GUIDE.md names no picture"; exit 1; }
missing=0
for name in "${names[@]}"; do
  [ -s "$out/$name" ] || { echo "not taken by scripts/screenshots.sh: $name"; missing=1; }
  [ -f "$root/docs/images/$name" ] || { echo "not in docs/images: $name"; missing=1; }
done
[ "$missing" = 0 ] || exit 1
echo "all ${#names[@]} pictures of the guide were taken"
