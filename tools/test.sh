#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test through CTest.
#   tools/test.sh [ctest arguments...]
# Each run gets a fresh Wine prefix, HOME and Xvfb display under
# build/test-env, torn down afterwards.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/setup-debian.sh
cmake --preset mingw-cross >/dev/null
cmake --build --preset mingw-cross

env_dir=$root/build/test-env
. cmake/wine-environment.sh
morvena_env_stop "$env_dir"
rm -rf "$env_dir"
trap 'morvena_env_stop "$env_dir"' EXIT
ctest --preset mingw-cross -j2 "$@"
