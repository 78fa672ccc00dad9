#!/usr/bin/env bash
# Sets up what is missing, builds MorvenaSetup.exe and starts it under Wine,
# in a prefix of its own (build/run-env), so trying it installs nothing into
# your own Wine. Without a display it starts its own Xvfb, saves a screenshot
# to build/MorvenaSetup.png and ends the program again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/setup-debian.sh
cmake --preset mingw-cross >/dev/null
cmake --build --preset mingw-cross --target MorvenaSetup

exe=$root/build/app/MorvenaSetup.exe
env_dir=$root/build/run-env
if [ -n "${DISPLAY:-}" ]; then
    export WINEPREFIX=$env_dir/prefix WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
    export HOME=$env_dir/home
    mkdir -p "$HOME"
    [ -f "$env_dir/prefix.ready" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; touch "$env_dir/prefix.ready"; }
    exec wine "$exe"
fi

. cmake/wine-environment.sh
morvena_env_ready "$env_dir"
trap 'morvena_env_stop "$env_dir"' EXIT
wine "$exe" &
for _ in $(seq 100); do
    xdotool search --name 'Morvena' >/dev/null 2>&1 && break
    sleep 0.2
done
sleep 2
shot=$root/build/MorvenaSetup.png
import -window root "$shot"
echo "MorvenaSetup.exe ran on a display of its own; screenshot: $shot"
