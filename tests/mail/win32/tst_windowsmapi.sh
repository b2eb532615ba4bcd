#!/usr/bin/env bash
# The Windows mail layer, built with the mingw-w64 cross compiler and run under Wine against a
# recording MAPI32.DLL: what the fake received must match the expected files word for word.
# Usage: tst_windowsmapi.sh <source root> <work folder>. Exits 77 (skipped) when the cross
# compiler or Wine is missing (QUORVEL_MINGW_CXX and QUORVEL_WINE name other ones).
set -euo pipefail
src="$1"
work="$2"
here="$src/tests/mail/win32"

cxx="$(command -v "${QUORVEL_MINGW_CXX:-x86_64-w64-mingw32-g++}" || true)"
if [ -z "$cxx" ]; then
  echo "SKIP: the mingw-w64 cross compiler (${QUORVEL_MINGW_CXX:-x86_64-w64-mingw32-g++}, package g++-mingw-w64-x86-64) is not installed"
  exit 77
fi
wine=""
for candidate in ${QUORVEL_WINE:-wine wine64 /usr/lib/wine/wine64}; do
  if command -v "$candidate" >/dev/null 2>&1; then
    wine="$(command -v "$candidate")"
    break
  fi
done
if [ -z "$wine" ]; then
  echo "SKIP: Wine (${QUORVEL_WINE:-wine, wine64 or /usr/lib/wine/wine64}; package wine64) is not installed"
  exit 77
fi
wineserver="$(command -v wineserver || true)"
for candidate in "$(dirname "$wine")/wineserver" /usr/lib/wine/wineserver64; do
  if [ -z "$wineserver" ] && [ -x "$candidate" ]; then
    wineserver="$candidate"
  fi
done

rm -rf "$work"
mkdir -p "$work/wide" "$work/ansi"
flags=(-std=c++20 -O1 -Wall -Wextra -Wpedantic -Werror -static)
"$cxx" "${flags[@]}" -I"$src/src" -o "$work/wide/MapiDriver.exe" \
  "$here/MapiDriver.cpp" "$src/src/mail/win32/TMapi32.cpp"
cp "$work/wide/MapiDriver.exe" "$work/ansi/MapiDriver.exe"
# The fake as Windows 8 and later ship it (with MAPISendMailW), and as older ones do.
"$cxx" "${flags[@]}" -shared -DFAKE_MAPI_WIDE -o "$work/wide/MAPI32.DLL" "$here/FakeMapi32.cpp"
"$cxx" "${flags[@]}" -shared -o "$work/ansi/MAPI32.DLL" "$here/FakeMapi32.cpp"

# A private Wine prefix. The fake beside the driver is taken instead of Wine's own mapi32; no
# Mono or Gecko installer is offered and no menu entry is written into the home folder. The ANSI
# code page is 1252.
prefix="$(mktemp -d)"
export WINEPREFIX="$prefix/wine" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;mapi32=n"
export LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  if [ -n "$wineserver" ]; then "$wineserver" -k >/dev/null 2>&1 || true; fi
  rm -rf "$prefix"
}
trap cleanup EXIT

if ! timeout 300 "$wine" wineboot --init >"$work/wineboot.log" 2>&1; then
  echo "FAIL: Wine could not set up its prefix:"
  cat "$work/wineboot.log"
  exit 1
fi
"$wineserver" -w 2>/dev/null || true

reg() { "$wine" reg "$@" >/dev/null; }

status=0
# Runs the driver in one folder and compares its answers and the fake's record with a file.
run() {
  local folder="$1" mode="$2" expected="$3"
  local log="$work/$folder-$mode.log" actual="$work/$folder-$mode.txt"
  rm -f "$log"
  (cd "$work/$folder" && QUORVEL_FAKE_MAPI_LOG="$log" timeout 120 "$wine" MapiDriver.exe "$mode") \
    | tr -d '\r' >"$actual"
  echo "--- recorded by MAPI32.DLL" >>"$actual"
  if [ -f "$log" ]; then cat "$log" >>"$actual"; fi
  if diff -u "$here/$expected" "$actual"; then
    echo "PASS: $folder $mode"
  else
    echo "FAIL: $folder $mode (expected $here/$expected)"
    status=1
  fi
}

# Simple MAPI declared absent and no profile: nothing is loaded, every call yields 1.
reg add 'HKLM\SOFTWARE\Microsoft\Windows Messaging Subsystem' /v MAPI /t REG_SZ /d 0 /f
run wide undeclared expected-undeclared.txt

reg add 'HKLM\SOFTWARE\Microsoft\Windows Messaging Subsystem' /v MAPI /t REG_SZ /d 1 /f
reg add 'HKCU\Software\Microsoft\Windows Messaging Subsystem\Profiles' \
  /v DefaultProfile /t REG_SZ /d 'Büro Zürich' /f
reg add 'HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows Messaging Subsystem\Profiles' \
  /v DefaultProfile /t REG_SZ /d 'Zürich NT' /f
# The first key wins; every text reaches MAPISendMailW as it was.
run wide send expected-wide.txt

# Without the first key the second one names the profile; a library without MAPISendMailW gets
# the ANSI texts, and the attachment under the short name of its path.
reg delete 'HKCU\Software\Microsoft\Windows Messaging Subsystem' /f
run ansi send expected-ansi.txt

exit "$status"
