#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Saving and opening a 6000 x 4000 Grimasso document against saving and opening
# the same picture as a PNG with our own codec, in one run, and the part of one
# recovery copy on the editor's thread against one copy of the map. Prints the
# mean times and the ratios (target: at most 1.0 each).
#
#   bench/document_vs_png.sh [path/to/document_bench]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bench=${1:-$root/build/bench/document_bench}
[[ -x $bench ]] || { echo "document_bench not found; build the target document_bench" >&2; exit 1; }
json=$(mktemp)
trap 'rm -f "$json"' EXIT
"$bench" --benchmark_format=json >"$json"
python3 - "$json" <<'PY'
import json, sys
times = {b["name"].split("/")[0]: b["real_time"] for b in json.load(open(sys.argv[1]))["benchmarks"]}
for name, value in times.items():
    print(f"{name:28s} {value:9.1f} ms")
for label, ours, theirs in (("save document / PNG", "BM_SaveDocument", "BM_SavePng"),
                            ("open document / PNG", "BM_OpenDocument", "BM_OpenPng"),
                            ("recovery copy / map copy", "BM_RecoveryCopyCallerPart", "BM_OneMapCopy")):
    print(f"{label:28s} {times[ours] / times[theirs]:9.2f}")
PY
