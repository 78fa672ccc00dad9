#!/usr/bin/env bash
# Remakes the screenshots of the themed look in docs/themed-look: the tests in
# tests/themed_look save what the screen shows with each colour scheme and
# with the look off, and this turns their bitmaps into PNG.
#   tools/make-themed-look-screenshots.sh [build folder, build by default]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=$(realpath -m "${1:-build}")
cmake --preset mingw-cross -B "$build" >/dev/null
cmake --build "$build" --target themed_look_tests >/dev/null

# A fresh Wine environment of its own, so a test run elsewhere is not disturbed.
env_dir=$build/themed-look-env
. cmake/wine-environment.sh
morvena_env_stop "$env_dir"
rm -rf "$env_dir" "$build/themed-look-screenshots"
trap 'morvena_env_stop "$env_dir"' EXIT
MORVENA_TEST_ENV=$env_dir ctest --test-dir "$build" -R '^themed_look_tests\.' --output-on-failure

shots=$build/themed-look-screenshots
out=docs/themed-look
mkdir -p "$out"
for picture in main-window question-box controls; do
    for look in off scheme1 scheme2 scheme3; do
        convert "$shots/$picture-$look.bmp" -strip "$out/$picture-$look.png"
        echo "$out/$picture-$look.png"
    done
done
# The push button's states side by side, scheme 1.
convert "$shots"/button-{Resting,UnderTheMouse,Pressed,Focused,Default,Disabled}.bmp \
    -bordercolor '#f0f0f0' -border 6 +append -strip "$out/button-states-scheme1.png"
echo "$out/button-states-scheme1.png"
