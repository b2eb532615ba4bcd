#!/usr/bin/env bash
# Packs the programs of a build folder into the .deb, installs it (apt-get as root, otherwise
# unpacked into a temporary root), runs the installed programs and starts the menu entry's
# command on a new database. Exit 77 means skipped; the reason is printed.
set -euo pipefail
build="$(cd "$1" && pwd)"
skip() { echo "SKIPPED: $*"; exit 77; }

for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
work="$(mktemp -d)"
installed_by_apt=""
cleanup() {
  if [ -n "$installed_by_apt" ]; then
    apt-get remove -y -q quorvel >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
deb="$(ls "$work"/out/quorvel_*.deb)"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
# Found by dpkg-shlibdeps from the programs themselves.
for library in libqt6widgets6 libqt6sql6 libc6; do
  grep -q "$library" <<<"$depends" || { echo "Depends lacks $library"; exit 1; }
done

if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
  # One install at a time on a shared machine; dpkg's own lock is waited for too.
  exec 9>/tmp/quorvel-package-test.lock
  flock 9
  apt-get install -y -q -o DPkg::Lock::Timeout=300 "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; exit 1; }
  installed_by_apt=1
  prefix=/usr
  echo "installed with apt-get"
else
  dpkg-deb -x "$deb" "$work/root"
  prefix="$work/root/usr"
  echo "unpacked with dpkg-deb -x into $work/root"
fi

for file in bin/quorvel bin/quorvel-admin share/applications/quorvel.desktop \
  share/icons/hicolor/scalable/apps/quorvel.svg share/icons/hicolor/48x48/apps/quorvel.png \
  share/icons/hicolor/256x256/apps/quorvel.png share/quorvel/README.md; do
  [ -f "$prefix/$file" ] || { echo "missing $prefix/$file"; exit 1; }
done
source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
for template in src/documents/reports/cme.rav src/documents/cme.rav; do
  if [ -f "$source_dir/$template" ] && [ ! -f "$prefix/share/quorvel/cme.rav" ]; then
    echo "the default report template is not installed"
    exit 1
  fi
done
desktop-file-validate "$prefix/share/applications/quorvel.desktop"
exec_line="$(grep '^Exec=' "$prefix/share/applications/quorvel.desktop")"
[ "$exec_line" = "Exec=quorvel --from-menu" ] || { echo "unexpected $exec_line"; exit 1; }

version="$("$prefix/bin/quorvel" --version)"
echo "$version"
[ "$version" = "quorvel $(dpkg-deb -f "$deb" Version)" ] || { echo "version differs"; exit 1; }
"$prefix/bin/quorvel-admin" init "$work/office"
[ -f "$work/office/cme.mdb" ] || { echo "init made no cme.mdb"; exit 1; }

# The menu's command, started elsewhere, finds the office's database through QUORVEL_DATA and
# keeps it open (SQLite's write-ahead log and its index exist while it does) and remembers the
# folder.
opened() { [ -f "$work/office/cme.mdb-wal" ] || [ -f "$work/office/cme.mdb-shm" ]; }
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME"
(cd "$HOME" && QUORVEL_DATA="$work/office" exec "$prefix/bin/quorvel" --from-menu) &
pid=$!
for _ in $(seq 1 600); do
  opened && break
  kill -0 "$pid" 2>/dev/null || { echo "quorvel --from-menu ended early"; exit 1; }
  sleep 0.1
done
opened || { kill "$pid"; echo "the database was never opened"; exit 1; }
kill "$pid"
wait "$pid" || true
grep -rq "LastDataFolder=$work/office" "$XDG_CONFIG_HOME" ||
  { echo "the folder was not remembered"; exit 1; }
echo "package test passed"
