#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Opening the photos phones make, with grimasso-cli, against each format's own
# decoder tool on the same file in the same run. Prints the mean times and the
# ratio ours / theirs (below 1.0: we are faster). Targets: the JPEG at most 1.3,
# HEIC and WebP at most 1.2.
#
#   bench/phone_photo_vs_tools.sh [path/to/grimasso-cli]
#
# RUNS (default 5) sets the timed runs of each command, after one warm-up run.
# Needs hyperfine, ImageMagick (convert), libjpeg-turbo-progs (cjpeg, djpeg),
# exiftool, libheif-examples (heif-enc, heif-convert), webp (cwebp, dwebp), a C
# compiler and liblcms2-dev (to make the Display P3 profile).
#
# Every pair decodes the file and writes an uncompressed picture:
#   JPEG: grimasso-cli phone.jpg --save out.bmp  vs  djpeg -bmp
#         6000 x 4000, Exif Orientation 6 and a Display P3 profile: we turn the
#         picture and convert it to sRGB, djpeg does neither.
#   HEIC: grimasso-cli phone.heic --save out.bmp  vs  heif-convert phone.heic out.y4m
#         4000 x 3000; heif-convert's cheapest output, raw YUV without the
#         conversion to RGB that we do.
#   WebP: grimasso-cli phone.webp --save out.bmp  vs  dwebp -bmp
#         4000 x 3000, lossy.
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
for tool in hyperfine convert cjpeg djpeg exiftool heif-enc heif-convert cwebp dwebp cc python3; do
    command -v "$tool" > /dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
sample="$root/../shared/samples/astronaut.png"
[[ -f $sample ]] || { echo "missing sample picture $sample" >&2; exit 1; }
runs=${RUNS:-5}

work=$(mktemp -d "${TMPDIR:-/tmp}/grimasso-phone-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

echo "building the inputs from $(basename "$sample") ..." >&2
# Display P3: its published primaries, D65 and the sRGB curve, made by lcms.
cat > p3.c <<'C'
#include <lcms2.h>
int main(void)
{
    cmsCIExyY d65 = {0.3127, 0.3290, 1.0};
    cmsCIExyYTRIPLE primaries = {{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
    cmsFloat64Number curve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* trc = cmsBuildParametricToneCurve(NULL, 4, curve);
    cmsToneCurve* curves[3] = {trc, trc, trc};
    return cmsSaveProfileToFile(cmsCreateRGBProfile(&d65, &primaries, curves), "p3.icc") ? 0 : 1;
}
C
cc p3.c -o p3 $(pkg-config --cflags --libs lcms2) && ./p3
# A phone held upright stores its picture turned left and says so with
# Orientation 6: the 6000 x 4000 file opens as 4000 x 6000.
convert "$sample" -resize '6000x4000!' -depth 8 -type TrueColor big.ppm
cjpeg -quality 92 -outfile phone.jpg big.ppm
exiftool -q -q -overwrite_original -n -Orientation=6 '-ICC_Profile<=p3.icc' phone.jpg
convert "$sample" -resize '4000x3000!' -depth 8 -type TrueColor mid.png
heif-enc -q 85 mid.png -o phone.heic > /dev/null
cwebp -quiet -q 85 mid.png -o phone.webp

time_pair() {  # name, our command, their command
    hyperfine --style none --warmup 1 --runs "$runs" --export-json "$1.json" \
        -n ours "$2" -n theirs "$3" > /dev/null
}

time_pair jpeg "$cli phone.jpg --save jpeg.bmp" "djpeg -bmp -outfile djpeg.bmp phone.jpg"
time_pair heic "$cli phone.heic --save heic.bmp" "heif-convert phone.heic heif-convert.y4m"
time_pair webp "$cli phone.webp --save webp.bmp" "dwebp -quiet -bmp phone.webp -o dwebp.bmp"

python3 - <<'REPORT'
import json

def means(name):
    return {r["command"]: r["mean"] for r in json.load(open(name + ".json"))["results"]}

print(f"{'':<6} {'ours [s]':>9} {'tool [s]':>9} {'ratio':>6} {'target':>7}")
for name, target in (("jpeg", 1.3), ("heic", 1.2), ("webp", 1.2)):
    m = means(name)
    print(f"{name:<6} {m['ours']:9.3f} {m['theirs']:9.3f} {m['ours'] / m['theirs']:6.2f} {target:7.1f}")
REPORT
