#!/usr/bin/env bash
# Builds the Debian package in build/ and prints its path: quorvel_<version>_<arch>.deb.
# The package's Depends line comes from dpkg-shlibdeps.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
out="${2:-$build/package}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target quorvel quorvel-admin
mkdir -p "$out"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >/dev/null
rm -rf "$out/_CPack_Packages"
ls "$out"/quorvel_*.deb
