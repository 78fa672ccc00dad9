#!/usr/bin/env bash
# The long mutation campaign against ExtractArchive, in one Windows process
# under Wine, and its figures written into docs/robustness.md (between the
# campaign-figures marks). Builds into a build folder of its own.
#   bench/robust/run.sh [INPUTS [SEED]]      (defaults: 20000 and 20240611)
# Inputs that break a rule are kept in BUILD/robust-campaign/; the exit code
# is the campaign's: 0 when no rule broke.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
inputs=${1:-20000}
seed=${2:-20240611}
build=${MORVENA_ROBUST_BUILD:-$root/build-bench-robust}

cmake --preset mingw-cross -B "$build" >/dev/null
cmake --build "$build" --target robust_campaign default_payload

# A Wine environment of this run's own, torn down afterwards.
env_dir=$build/robust-env
. "$root/cmake/wine-environment.sh"
morvena_env_stop "$env_dir"
rm -rf "$env_dir"
trap 'morvena_env_stop "$env_dir"' EXIT
morvena_env_ready "$env_dir"

out=$build/robust-campaign
rm -rf "$out"
mkdir -p "$out"
windows() { echo "Z:${1//\//\\}"; }
status=0
wine "$build/tests/robust/robust_campaign.exe" --inputs "$inputs" --seed "$seed" \
    --payload "$(windows "$build/data/payload.zip")" --keep "$(windows "$out")" \
    --report "$(windows "$out/figures.md")" || status=$?
[ -s "$out/figures.md" ] || { echo "robust: the campaign wrote no figures" >&2; exit 1; }

doc=$root/docs/robustness.md
begin='<!-- campaign figures: bench/robust/run.sh writes what follows -->'
end='<!-- end of campaign figures -->'
{
    echo "$begin"
    echo
    echo "Run of $(date -u +%Y-%m-%d) on $(nproc) cores (shared), $(wine --version), $(uname -sr):"
    echo
    iconv -c -f GBK -t UTF-8 "$out/figures.md"
    echo "$end"
} >"$out/block.md"
if grep -qF "$begin" "$doc" 2>/dev/null; then
    awk -v begin="$begin" -v end="$end" -v block="$out/block.md" '
        $0 == begin { while ((getline line < block) > 0) print line; skip = 1; next }
        $0 == end { skip = 0; next }
        !skip' "$doc" >"$doc.new"
    mv "$doc.new" "$doc"
else
    cat "$out/block.md" >>"$doc"
fi
echo "robust: figures written to $doc"
exit $status
