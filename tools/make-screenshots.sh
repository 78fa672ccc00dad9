#!/usr/bin/env bash
# Remakes the screenshots in docs/screenshots: the end-to-end tests save the
# screen at each stage when MORVENA_SCREENSHOTS names a folder.
#   tools/make-screenshots.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset mingw-cross >/dev/null
cmake --build --preset mingw-cross >/dev/null
shots=$root/build/screenshots
rm -rf "$shots" && mkdir -p "$shots"
. cmake/wine-environment.sh
trap 'morvena_env_stop "$root/build/test-env"' EXIT
MORVENA_SCREENSHOTS="Z:${shots//\//\\}" ctest --preset mingw-cross \
    -R '^app_actions\.Actions\.(FreshInstallYesYes|UninstallRemovesEverythingWithoutAsking)$' >/dev/null
mkdir -p docs/screenshots
for bmp in "$shots"/*.bmp; do
    name=$(basename "$bmp" .bmp)
    # The window and its boxes stand in the middle of the 1024 x 768 screen.
    convert "$bmp" -crop 600x640+212+64 +repage "docs/screenshots/$name.png"
    echo "docs/screenshots/$name.png"
done
