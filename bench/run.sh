#!/usr/bin/env bash
# Builds what the benchmarks need (build-bench/, same toolchain as the
# product), measures everything in one run with a Wine environment of its
# own, and writes docs/bench/results.md and docs/bench/results.png.
#   bench/run.sh            the full run (about ten minutes on 2 cores)
#   bench/run.sh --quick    fewer runs, for trying the bench itself
# Raw figures stay in build-bench/results/ (figures.tsv, hyperfine JSON).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

quick=
[ "${1:-}" = "--quick" ] && quick=1

tools/setup-debian.sh
bench/setup.sh

build=$root/build-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DMORVENA_WERROR=ON -DMORVENA_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target bench_programs
cmake -S bench/host -B "$build/bench-host" -G Ninja >/dev/null
cmake --build "$build/bench-host"

# Runs per figure: the small cases are cheap; 20,000 files and 256 MB are not.
if [ -n "$quick" ]; then
    runs_small=3 runs_big=1 runs_growth=1 runs_start=3 runs_install=3 runs_sampled=1 runs_native=3
else
    runs_small=9 runs_big=5 runs_growth=5 runs_start=11 runs_install=9 runs_sampled=3 runs_native=10
fi

# The synthetic archives, made once (again when their writer changed).
archives=$build/archives
mkdir -p "$archives"
make_archive() { # kind count file
    if [ ! -s "$3" ] || [ "$build/bench-host/make_bench_archives" -nt "$3" ]; then
        echo "bench: writing $(basename "$3")"
        "$build/bench-host/make_bench_archives" "$1" "$2" "$3.new" && mv "$3.new" "$3"
    fi
}
make_archive small 200 "$archives/small-200.zip"
make_archive small 1000 "$archives/small-1000.zip"
make_archive small 5000 "$archives/small-5000.zip"
make_archive small 20000 "$archives/small-20000.zip"
make_archive large 256 "$archives/large-256.zip"

results=$build/results
scratch=$build/scratch
rm -rf "$results" "$scratch"
mkdir -p "$results" "$scratch"
figures=$results/figures.tsv
: >"$figures"

declare -A archive_of=(
    [default]=$build/data/payload.zip
    [small20k]=$archives/small-20000.zip
    [large256]=$archives/large-256.zip
)

{
    echo "date	$(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "cpus	$(nproc)"
    echo "cpu	$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
    echo "load_before	$(cut -d' ' -f1-3 /proc/loadavg)"
    echo "wine	$(wine --version)"
    echo "unzip	$(unzip -v | head -1)"
    echo "7z	$(7zz | grep -m1 -o '7-Zip[^:]*' || true)"
    cmp -s "$build/app/MorvenaSetup.exe" "$build/bench/bench_installer_mapped.exe" &&
        echo "mapped_identical	yes" || echo "mapped_identical	no"
    echo "runs	small=$runs_small big=$runs_big growth=$runs_growth start=$runs_start install=$runs_install sampled=$runs_sampled native=$runs_native"
} >"$results/meta.tsv"

# Native peers first, before Wine starts: Info-ZIP unzip and 7-Zip, each into
# a fresh folder per run.
native() { # case tool runs
    local out=$scratch/native-$2 archive=${archive_of[$1]} command status=0
    case $2 in
        unzip) command="unzip -qq -o $archive -d $out" ;;
        7z) command="7zz x -y -bd -bso0 -bsp0 -o$out $archive" ;;
    esac
    # unzip answers 1 (a warning) for the default payload: it takes the 0x5C
    # trail byte of a GBK name for a backslash. Anything worse stops the bench.
    $command >/dev/null 2>&1 || status=$?
    [ "$status" -le 1 ] || { echo "bench: $command failed ($status)" >&2; exit 1; }
    hyperfine -N -i --style none --runs "$3" --warmup 1 --prepare "rm -rf $out" \
        --export-json "$results/native-$1-$2.json" "$command" >/dev/null 2>&1
    rm -rf "$out"
}
echo "bench: native unzip and 7-Zip"
for tool in unzip 7z; do
    native default $tool "$runs_native"
    native small20k $tool "$runs_big"
    native large256 $tool "$runs_big"
done

# Everything on the Windows side runs in this environment: its own prefix,
# HOME and Xvfb display, kept between bench runs (making it takes a while).
env_dir=$build/bench-env
. cmake/wine-environment.sh
morvena_env_ready "$env_dir"
trap 'morvena_env_stop "$env_dir"' EXIT

winpath() { echo "Z:${1//\//\\}"; }
bench_exe=$build/bench/morvena_bench.exe
wbench() { # command args...; miniunz's listing goes to a log, not the console
    wine "$bench_exe" "$@" >>"$results/bench-stdout.log"
}
wfig=$(winpath "$figures")
wscratch=$(winpath "$scratch")

echo "bench: unpacking under Wine (ours, miniunz, in-memory floor, files alone)"
unpack_case() { # case runs warm-up-runs
    wbench unpack "$wfig" "$1" "$(winpath "${archive_of[$1]}")" "$wscratch" "$2" "$3"
    # Our tree and miniunz's must hold the same bytes.
    diff -r "$scratch/ours-$2" "$scratch/miniunz-$2" >/dev/null ||
        { echo "bench: ours and miniunz unpacked $1 differently" >&2; exit 1; }
    rm -rf "${scratch:?}"/*
}
unpack_case default "$runs_small" 1
unpack_case small20k "$runs_big" 0
unpack_case large256 "$runs_big" 0

echo "bench: growth per entry (ExtractArchive, RemoveFolderTree)"
wbench growth "$wfig" "$wscratch" "$runs_growth" 0 \
    "$(winpath "$archives/small-1000.zip")" "$(winpath "$archives/small-5000.zip")" \
    "$(winpath "$archives/small-20000.zip")"

# What each unpacker asks of the system, counted: hardware counters are not
# there on this kind of machine, and the work is bound by system calls.
echo "bench: system calls of one extraction of 200 files, each method alone"
for method in ours miniunz; do
    strace -f -c -o "$results/strace-$method.txt" wine "$bench_exe" once $method \
        "$(winpath "$archives/small-200.zip")" "$(winpath "$scratch/once-$method")" \
        >>"$results/bench-stdout.log" 2>>"$results/bench-stderr.log"
    rm -rf "$scratch/once-$method"
done
printf 'strace\tsmall\tentries\t0\t202\tcount\n' >>"$figures"

echo "bench: installer start-up and install"
installer=$(winpath "$build/app/MorvenaSetup.exe")
wbench startup "$wfig" "$runs_start" installer "$installer" MorvenaSetupWindow \
    minimal "$(winpath "$build/bench/bench_minimal_window.exe")" MorvenaBenchWindow
wbench install "$wfig" "$runs_install" "$runs_sampled" "$installer" \
    "$(winpath "${archive_of[default]}")" 'C:\WINDOWS\alone' \
    "$(winpath "$build/bench/bench_minimal_window.exe")" \
    "$(winpath "$build/bench/bench_minimal_window_themed.exe")"

echo "load_after	$(cut -d' ' -f1-3 /proc/loadavg)" >>"$results/meta.tsv"
morvena_env_stop "$env_dir"
trap - EXIT

mkdir -p docs/bench
/usr/bin/python3 bench/report.py --build "$build" --results "$results" --out docs/bench
echo "bench: wrote docs/bench/results.md and docs/bench/results.png"
