#!/usr/bin/env bash
# Installs what the benchmarks need beyond the build's own set-up, once: the
# native peers (Info-ZIP unzip, 7-Zip), hyperfine to time them, and
# strace to count what each unpacker asks of the system, matplotlib for the
# plot. A second run installs nothing.
set -euo pipefail

sudo_() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

packages=(unzip 7zip hyperfine strace python3 python3-matplotlib)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "bench setup: installing ${missing[*]}"
  # The lists may be older than the packages they name.
  sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" ||
    { sudo_ apt-get update -q &&
      sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"; }
fi
