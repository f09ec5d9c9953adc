#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Loading and saving a 24-megapixel JPEG, PNG and TIFF with grimasso-cli, each
# against the codec library's own command-line tool doing the same work on the
# same file in the same run. Prints the mean times and the ratio ours / theirs
# (below 1.0: we are faster; the target is at most 1.2).
#
#   bench/codec_vs_tools.sh [path/to/grimasso-cli]
#
# RUNS (default 5) sets the timed runs of each command, after one warm-up run.
# Needs hyperfine, ImageMagick (convert), libjpeg-turbo-progs (cjpeg, djpeg),
# netpbm (pnmtopng, pngtopnm) and libtiff-tools (tiffcp, tiff2rgba).
#
# Every pair converts between the format and an uncompressed format, so both
# sides pay the same uncompressed input or output:
#   load  JPEG: grimasso-cli big.jpg --save out.bmp   vs  djpeg -bmp
#   save  JPEG: grimasso-cli big.bmp --save out.jpg   vs  cjpeg -quality 100 (baseline, 4:2:0, islow)
#   load  PNG : grimasso-cli big.png --save out.bmp   vs  pngtopnm
#   save  PNG : grimasso-cli big.bmp --save out.png   vs  pnmtopng (library defaults)
#   load  TIFF: grimasso-cli big.tif --save out.bmp   vs  tiff2rgba -c none (whole-image RGBA read)
#   save  TIFF: grimasso-cli big.bmp --save out.tif   vs  tiffcp -c none -r 1 (one row a strip)
# grimasso-cli also builds a warp field for every loaded picture, as the editor
# does (about 22 bytes a pixel, half a gigabyte here). That fixed cost is timed
# beside every pair ("grimasso-cli big.bmp": load a bitmap, nothing else), and
# the last column repeats the ratio with it taken off our side: an estimate of
# the codec's own share (on a busy machine a rough one).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cli=${1:-}
if [[ -z $cli ]]; then
    for candidate in "$root"/build/grimasso-cli "$root"/build*/grimasso-cli; do
        if [[ -x $candidate ]]; then
            cli=$candidate
            break
        fi
    done
fi
if [[ -z $cli || ! -x $cli ]]; then
    echo "grimasso-cli not found; build it or pass its path" >&2
    exit 1
fi
cli=$(realpath "$cli")
for tool in hyperfine convert cjpeg djpeg pnmtopng pngtopnm tiffcp tiff2rgba python3; do
    command -v "$tool" > /dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
sample="$root/../shared/samples/astronaut.png"
[[ -f $sample ]] || { echo "missing sample picture $sample" >&2; exit 1; }
runs=${RUNS:-5}

work=$(mktemp -d "${TMPDIR:-/tmp}/grimasso-codec-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# 6000 x 4000 = 24 megapixels, the size of a common camera picture.
echo "building the 24-megapixel inputs from $(basename "$sample") ..." >&2
convert "$sample" -resize '6000x4000!' -depth 8 -type TrueColor big.ppm
convert big.ppm -type TrueColor BMP3:big.bmp
cjpeg -quality 92 -outfile big.jpg big.ppm
pnmtopng big.ppm > big.png
convert big.ppm -compress none -type TrueColor big.tif

time_pair() {  # name, our command, their command
    hyperfine --style none --warmup 1 --runs "$runs" --export-json "$1.json" \
        -n ours "$2" -n theirs "$3" -n fixed "$cli big.bmp" > /dev/null
}

time_pair load-jpeg "$cli big.jpg --save load-jpeg.bmp" "djpeg -bmp -outfile load-djpeg.bmp big.jpg"
time_pair save-jpeg "$cli big.bmp --save save.jpg" "cjpeg -quality 100 -outfile save-cjpeg.jpg big.bmp"
time_pair load-png "$cli big.png --save load-png.bmp" "pngtopnm big.png > load-pngtopnm.ppm"
time_pair save-png "$cli big.bmp --save save.png" "pnmtopng big.ppm > save-pnmtopng.png"
time_pair load-tiff "$cli big.tif --save load-tiff.bmp" "tiff2rgba -c none big.tif load-tiff2rgba.tif"
time_pair save-tiff "$cli big.bmp --save save.tif" "tiffcp -c none -r 1 big.tif save-tiffcp.tif"

python3 - <<'REPORT'
import json

def means(name):
    return {r["command"]: r["mean"] for r in json.load(open(name + ".json"))["results"]}

print(f"{'':<10} {'ours [s]':>9} {'tool [s]':>9} {'ratio':>6} {'fixed [s]':>10} {'without fixed cost':>19}")
for name in ("load-jpeg", "save-jpeg", "load-png", "save-png", "load-tiff", "save-tiff"):
    m = means(name)
    ours, theirs, fixed = m["ours"], m["theirs"], m["fixed"]
    print(f"{name:<10} {ours:9.3f} {theirs:9.3f} {ours / theirs:6.2f} {fixed:10.3f} "
          f"{max(ours - fixed, 0.0) / theirs:19.2f}")
REPORT
