#!/usr/bin/env bash
# Side-by-side speed comparison of a base commit (A) and the working tree (B).
#
#   tools/bench_compare.sh BASE          (or: make bench-compare BASE=<commit>)
#
# Single runs on a shared machine vary by up to 40 %, so a figure only counts against another
# taken in the same minutes: both trees are built in Release into build-compare/, then every
# workload runs A, B, A, B ... and the table gives, per workload, the median of the per-pair
# processor-time ratios A/B (above 1: the working tree is faster) with their spread.
#
# Environment: PAIRS (default 7), FRAMES (default 3000), WORKLOADS (names to run, default all
# but the window), SHARED (default ../shared beside the tree: EmuTOS and the ST programs; their
# workloads are skipped when it is absent), WINDOW_FRAMES (default 500: the window runs in
# real time, 10 s a run).
set -euo pipefail

base=${1:-${BASE:-}}
if [ -z "$base" ]; then
    echo "usage: tools/bench_compare.sh BASE   (a commit, branch or tag)" >&2
    exit 2
fi
top=$(git rev-parse --show-toplevel)
base_sha=$(git -C "$top" rev-parse --verify "$base^{commit}")
pairs=${PAIRS:-7}
frames=${FRAMES:-3000}
window_frames=${WINDOW_FRAMES:-500}
shared=$(cd "$top/.." && pwd)/shared
shared=${SHARED:-$shared}
out=$top/build-compare
jobs=$(nproc)
mkdir -p "$out"

# ---- The two builds ----------------------------------------------------------------------
# The base is exported afresh whenever BASE names another commit; the working tree is built
# in place of its sources, uncommitted changes included.
if [ "$(cat "$out/base-src/.commit" 2>/dev/null)" != "$base_sha" ]; then
    rm -rf "$out/base-src" "$out/base"
    mkdir -p "$out/base-src"
    git -C "$top" archive "$base_sha" | tar -x -C "$out/base-src"
    echo "$base_sha" > "$out/base-src/.commit"
fi
launcher=()
if command -v ccache > /dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
build() {  # build SOURCE_DIR BUILD_DIR
    cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARV_TESTS=OFF \
        -DQUARV_LIBRETRO=OFF "${launcher[@]}" > "$2.log" 2>&1 || { cat "$2.log" >&2; exit 1; }
    cmake --build "$2" -j "$jobs" --target quarv bench_cpu >> "$2.log" 2>&1 || { tail -n 40 "$2.log" >&2; exit 1; }
}
echo "Building $base (${base_sha:0:10}) and the working tree in Release ..."
build "$out/base-src" "$out/base"
build "$top" "$out/head"

# ---- Workloads ---------------------------------------------------------------------------
# name|needs|quarv arguments (a workload named bench_cpu runs that program instead; a name
# starting with window- runs the window, in real time, under Xvfb with SDL's software
# renderer and its dummy sound device). Headless runs draw no picture, as nothing shows it;
# --draw-every-frame draws each one as a window would (a build that does not know the option
# draws every frame anyway, so it runs without it).
workloads=(
    "demo-stfm||--machine stfm --frames $frames"
    "demo-ste||--machine ste --frames $frames"
    "demo-stfm-drawn||--machine stfm --frames $frames --draw-every-frame"
    "emutos-idle-ste|$shared/emutos/etos192uk.img|--rom $shared/emutos/etos192uk.img --machine ste --no-disk --frames $frames"
    "extra5-ste|$shared/st-software/extra5/EXTRA5.st|--rom $shared/emutos/etos256uk.img --machine ste --disk $shared/st-software/extra5/EXTRA5.st --frames $frames"
    "bench_cpu||"
    "window-demo-stfm|xvfb-run|--machine stfm --frames $window_frames"
)
default_workloads="demo-stfm demo-ste demo-stfm-drawn emutos-idle-ste extra5-ste bench_cpu"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Options a build does not know are left out of its runs.
knows() {  # knows BUILD_DIR OPTION
    "$1/quarv" --help 2>/dev/null | grep -q -- "$2"
}

# Processor seconds (user + system) of one run, or "fail".
run_once() {  # run_once BUILD_DIR NAME ARGS
    local dir=$1 name=$2 args=$3 t
    if [ "$name" = bench_cpu ]; then
        # Google Benchmark sizes its loop by time, so the program's own figure per
        # iteration (processor time) is what compares.
        "$dir/bench/bench_cpu" --benchmark_format=csv 2>/dev/null |
            awk -F, '/^"CpuInstructionMix"/ { printf "%.6f\n", $4; found = 1 }
                     END { if (!found) print "fail" }'
        return
    fi
    # A fresh settings file and data folder each run: nothing carries over between runs.
    rm -rf "$scratch/run"
    mkdir -p "$scratch/run/data"
    : > "$scratch/run/quarv.ini"
    if [[ " $args " == *" --draw-every-frame "* ]] && ! knows "$dir" --draw-every-frame; then
        args=${args/ --draw-every-frame/}
    fi
    local mode=(--headless) prefix=()
    if [[ $name == window-* ]]; then
        # No start-up question, a lock of its own (another Quarv may hold the usual one).
        mode=()
        prefix=(env XDG_RUNTIME_DIR="$scratch/run" SDL_RENDER_DRIVER=software SDL_AUDIODRIVER=dummy xvfb-run -a)
        printf '[Graphics]\nbAskFullscreen=0\nbConfirmQuit=0\n' > "$scratch/run/quarv.ini"
    fi
    local TIMEFORMAT='%3U %3S'
    # shellcheck disable=SC2086
    if t=$( { time (cd "$dir/run" && "${prefix[@]}" ../quarv "${mode[@]}" --config "$scratch/run/quarv.ini" \
                --data-dir "$scratch/run/data" $args > /dev/null 2>&1); } 2>&1 ); then
        echo "$t" | awk '{ printf "%.3f\n", $1 + $2 }'
    else
        echo fail
    fi
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '\nA = %s (%s), B = the working tree; pairs of runs: %d; frames a run: %d.\n' "$base" "${base_sha:0:10}" "$pairs" "$frames"
printf 'Ratio = A time / B time (above 1: B is faster); spread = lowest and highest of the pairs.\n\n'
printf '%-16s %10s %10s %8s %17s %12s\n' workload "A median" "B median" ratio spread "B x real"
for w in "${workloads[@]}"; do
    IFS='|' read -r name needs args <<< "$w"
    if [[ " ${WORKLOADS:-$default_workloads} " != *" $name "* ]]; then continue; fi
    if [ "$needs" = xvfb-run ] && ! command -v xvfb-run > /dev/null; then
        printf '%-16s skipped: xvfb-run is absent\n' "$name"
        continue
    elif [ -n "$needs" ] && [ "$needs" != xvfb-run ] && [ ! -e "$needs" ]; then
        printf '%-16s skipped: %s is absent\n' "$name" "$needs"
        continue
    fi
    : > "$scratch/a"; : > "$scratch/b"; : > "$scratch/r"
    failed=""
    for ((i = 0; i < pairs; ++i)); do
        a=$(run_once "$out/base" "$name" "$args")
        b=$(run_once "$out/head" "$name" "$args")
        if [ "$a" = fail ] || [ "$b" = fail ]; then failed="A:$a B:$b"; break; fi
        echo "$a" >> "$scratch/a"; echo "$b" >> "$scratch/b"
        awk -v a="$a" -v b="$b" 'BEGIN { printf "%.4f\n", a / b }' >> "$scratch/r"
    done
    if [ -n "$failed" ]; then
        printf '%-16s failed (%s)\n' "$name" "$failed"
        continue
    fi
    ma=$(median < "$scratch/a"); mb=$(median < "$scratch/b"); mr=$(median < "$scratch/r")
    spread=$(sort -g "$scratch/r" | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%.3f-%.3f", lo, hi }')
    if [ "$name" = bench_cpu ]; then
        realx="-"  # a figure per iteration, not frames
        unit=ms
    elif [[ $name == window-* ]]; then
        realx="-"  # paced in real time: the processor time is the figure
        unit=s
    else
        realx=$(awk -v s="$mb" -v f="$frames" 'BEGIN { printf "%.0fx", f / 50 / s }')
        unit=s
    fi
    printf '%-16s %8.3f %s %8.3f %s %8.3f %17s %12s\n' "$name" "$ma" "$unit" "$mb" "$unit" "$mr" "$spread" "$realx"
done
