#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up of the command-line tool: `grimasso-cli --version`, the libraries it
# loads at start, and the mean time against the 20 ms target (ratio below 1.0:
# within it), beside a program that loads nothing of ours for scale.
#
#   bench/startup.sh [path/to/grimasso-cli]
# RUNS (default 50) sets the timed runs. Needs hyperfine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cli=$(realpath "${1:-$root/build/grimasso-cli}")
[[ -x $cli ]] || { echo "grimasso-cli not found; build it or pass its path" >&2; exit 1; }
command -v hyperfine >/dev/null || { echo "missing tool: hyperfine" >&2; exit 1; }
json=$(mktemp)
trap 'rm -f "$json"' EXIT
hyperfine -N --warmup 5 --runs "${RUNS:-50}" --export-json "$json" "$cli --version" "/bin/true" >/dev/null
libraries=$(ldd "$cli" | wc -l)
python3 - "$json" "$libraries" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
ours, floor = (r["mean"] * 1000 for r in results)
print(f"libraries loaded at start {int(sys.argv[2]):8d}")
print(f"grimasso-cli --version    {ours:8.1f} ms")
print(f"/bin/true                 {floor:8.1f} ms")
print(f"ratio to the 20 ms target {ours / 20:8.2f}")
PY
