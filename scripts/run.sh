#!/usr/bin/env bash
# The main job: installs what is missing, builds the Windows deliverables, and says what it built.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows

bin=$root/build/windows/bin
shopt -s nullglob
built=("$bin"/*.exe "$bin"/*.ax)
if [ ${#built[@]} -eq 0 ]; then
  echo "Built the Windows libraries of the frame path and the platform layer (build/windows);"
  echo "no deliverable program or filter module exists yet."
else
  echo "Deliverables in $bin:"
  for f in "${built[@]}"; do printf '  %-20s %8d bytes\n' "$(basename "$f")" "$(stat -c %s "$f")"; done
fi
