#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The face gesture's speed on a 6000 x 4000 photo made from the sample portrait
# (scaled up with ImageMagick and cut to 3:2). Each case prints its time and
# ratio_to_target: finding all faces with the model loaded (target 0.6 s), at
# the first use (2.5 s), and one slider step of the face dialog (33 ms); then
# the automatic caricature against finding the faces (ratio_to_find, target
# 1.5) and a step of the "Karikatur" slider, and of the eye slider after it,
# against one copy of the map (ratio_to_copy, target 2.5).
#
# Usage: bench/face_bench.sh [BUILD_DIR]   (default: build; needs its
# bench/face_bench program, ImageMagick and libdlib-data).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build}"
program="$build_dir/bench/face_bench"
[[ -x "$program" ]] || { echo "missing $program: build the target face_bench first" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
convert ../shared/samples/astronaut.png -filter Lanczos -resize 6000x6000 -gravity north -crop 6000x4000+0+0 \
    +repage -type TrueColor "$work/photo.bmp"
GRIMASSO_FACE_PHOTO="$work/photo.bmp" "$program" "${@:2}"
