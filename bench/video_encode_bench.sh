#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# MP4 export speed against ffmpeg encoding the same frames with the same settings,
# side by side in one run on the same machine. Our side is the whole export:
# building every frame from the warp field, converting and encoding it. ffmpeg's
# side reads the finished frames as raw bgr24 from a file and encodes them with
# libx264 at CRF 18 into yuv420p. Both get the very same 15 frames (2000 ms at 7
# frames a second), which our AVI export writes first, untimed. Reports frames
# per second of both and the ratio ours / ffmpeg (1.0 or more: at least as fast).
#
# Usage: bench/video_encode_bench.sh [BUILD_DIR] [RUNS]   (default: build, 2;
# needs bench/video_export_bench and ffmpeg). Writes to a temporary folder; the
# 24-megapixel frames take about 1.1 GB there.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build}"
runs="${2:-2}"   # ours and ffmpeg take turns; the best run of each counts
program="$build_dir/bench/video_export_bench"
[[ -x "$program" ]] || { echo "missing $program: build the target video_export_bench first" >&2; exit 1; }
command -v ffmpeg > /dev/null || { echo "ffmpeg is not installed" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
frames=15

fps_of() {
    python3 -c 'import json, sys; print(json.load(sys.stdin)["benchmarks"][0]["frames_per_second"])'
}

for size in 1920x1080 6000x4000; do
    width=${size%x*}
    height=${size#*x}
    # The frames of our morph, untimed: an AVI of them, unpacked to raw bgr24.
    GRIMASSO_BENCH_OUTPUT="$work/frames.avi" "$program" --benchmark_filter="BM_ExportVideo/$width/$height/" \
        > /dev/null 2>&1
    ffmpeg -v error -y -i "$work/frames.avi" -f rawvideo -pix_fmt bgr24 "$work/frames.raw"
    rm -f "$work/frames.avi"
    ours=0
    theirs=0
    for ((run = 0; run < runs; run++)); do
        fps=$(GRIMASSO_BENCH_DIR="$work" "$program" --benchmark_filter="BM_ExportMp4/$width/$height/" \
            --benchmark_format=json 2> /dev/null | fps_of)
        ours=$(python3 -c "print(max($ours, $fps))")
        start=$(date +%s.%N)
        ffmpeg -v error -y -f rawvideo -pix_fmt bgr24 -s "$size" -r 7 -i "$work/frames.raw" \
            -c:v libx264 -crf 18 -pix_fmt yuv420p "$work/ffmpeg.mp4"
        end=$(date +%s.%N)
        theirs=$(python3 -c "print(max($theirs, $frames / ($end - $start)))")
        rm -f "$work/ffmpeg.mp4"
    done
    rm -f "$work/frames.raw"
    python3 -c "print(f'${size}: our MP4 export {$ours:.2f} frames/s, ffmpeg libx264 {$theirs:.2f} frames/s, ratio {$ours / $theirs:.2f}')"
done
