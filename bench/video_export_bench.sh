#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Video export speed against ffmpeg muxing the same raw frames into an AVI, in one
# run on the same machine. Reports frames per second of both and their ratio
# (ours / ffmpeg; 1.0 or more means our whole export, frame building included, is
# at least as fast as ffmpeg's muxing alone).
#
# Usage: bench/video_export_bench.sh [BUILD_DIR]   (default: build; needs its
# bench/video_export_bench program and ffmpeg). Writes to a temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build}"
program="$build_dir/bench/video_export_bench"
[[ -x "$program" ]] || { echo "missing $program: build the target video_export_bench first" >&2; exit 1; }
command -v ffmpeg > /dev/null || { echo "ffmpeg is not installed" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
frames=15   # the export of 2000 ms at 7 frames a second
runs=3      # ours and ffmpeg take turns; the best run of each counts

# Our frames per second for one export of a WxH picture.
our_fps() {
    GRIMASSO_BENCH_DIR="$work" "$program" --benchmark_filter="BM_ExportVideo/$1/$2/" \
        --benchmark_format=json 2> /dev/null |
        python3 -c 'import json, sys; print(json.load(sys.stdin)["benchmarks"][0]["frames_per_second"])'
}

# ffmpeg's frames per second for muxing $frames raw WxH frames from a pipe.
ffmpeg_fps() {
    local start end
    start=$(date +%s.%N)
    for ((k = 0; k < frames; k++)); do cat "$work/frame.raw"; done |
        ffmpeg -v error -y -f rawvideo -pix_fmt bgr24 -s "$1x$2" -r 7 -i - -c:v rawvideo "$work/out.avi"
    end=$(date +%s.%N)
    rm -f "$work/out.avi"
    python3 -c "print($frames / ($end - $start))"
}

for size in 1920x1080 6000x4000; do
    width=${size%x*}
    height=${size#*x}
    head -c $((width * height * 3)) /dev/urandom > "$work/frame.raw"
    ours=0
    theirs=0
    for ((run = 0; run < runs; run++)); do
        ours=$(python3 -c "print(max($ours, $(our_fps "$width" "$height")))")
        theirs=$(python3 -c "print(max($theirs, $(ffmpeg_fps "$width" "$height")))")
    done
    rm -f "$work/frame.raw"
    python3 -c "print(f'${size}: export {$ours:.1f} frames/s, ffmpeg muxing {$theirs:.1f} frames/s, ratio {$ours / $theirs:.2f}')"
done
