#!/usr/bin/env bash
# Remakes data/shortcut.lnk, the shortcut template the installer writes: the
# shell's own Shell Link object writes it (tools/shortcut/make_shortcut.cpp),
# under Wine in a throwaway prefix where the target file exists.
#   tools/make-shortcut.sh [output.lnk]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/data/shortcut.lnk}
work=$(mktemp -d)
trap 'WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT

  i686-w64-mingw32-g++-posix -O2 -static -o "$work/make_shortcut.exe" \
    "$root/tools/shortcut/make_shortcut.cpp" -lole32 -luuid

export HOME=$work/home WINEPREFIX=$work/prefix WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
mkdir -p "$HOME"
wineboot -i >/dev/null 2>&1
# The shell describes the target from the file system, so give it one.
mkdir -p "$WINEPREFIX/drive_c/windows/ten"
head -c 635392 /dev/zero >"$WINEPREFIX/drive_c/windows/ten/Morvena.exe"
wine "$work/make_shortcut.exe" 'C:\users\shortcut.lnk'
cp "$WINEPREFIX/drive_c/users/shortcut.lnk" "$out"
echo "wrote $out ($(stat -c %s "$out") bytes)"
