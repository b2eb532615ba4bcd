#!/usr/bin/env bash
# Installs every Debian 12 package that the build, the tests, the benchmarks and the demo need.
# Installs only what is missing, so a second run is quick; must run as root (or through sudo).
set -euo pipefail

packages=(
  build-essential g++ cmake pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite qt6-qpa-plugins libgl-dev
  libsqlite3-dev sqlite3
  libcups2-dev
  libcurl4-openssl-dev
  libcsv-dev libquazip1-qt6-dev libfreexl-dev
  libkainjow-mustache-dev
  libqt6sql6-psql postgresql libpq-dev
  cups cups-bsd printer-driver-cups-pdf
  python3-aiosmtpd msmtp openssl
  g++-mingw-w64-x86-64 wine64
  desktop-file-utils dpkg-dev
  xvfb xauth poppler-utils
  fonts-dejavu-core fonts-liberation2
  python3
  mdbtools mdbtools-dev
  libcbor-dev libsodium-dev libqrencode-dev zlib1g-dev
  libpoppler-cpp-dev libzbar-dev zbar-tools python3-cbor2 python3-nacl
  qt6-multimedia-dev libzxing-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
