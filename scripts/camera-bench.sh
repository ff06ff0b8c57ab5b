#!/usr/bin/env bash
# Benchmark of the virtual camera device under Wine: one producer pushing 1920x1080 YUY2 frames at
# 30 fps through the property set, and two camera clients reading at once, 1920x1080 YUY2 and
# 1280x720 NV12 at 30 fps. Prints each process's report and a table: frames delivered, rate, frames
# dropped (skipped by the source), producer frames missed or repeated, latency from push to delivery
# (the test pattern's time stamp) and CPU time. Targets: nothing dropped or missed, latency under one
# frame interval (33.3 ms).
#   scripts/camera-bench.sh [SECONDS]    default 20; needs the windows preset built
# It uses a Wine prefix, display and wineserver of its own (build/wine-bench), so it may run beside
# the tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
bin=$root/build/windows/bin
for file in camclient.exe devcon.exe NimbCamera.ax driver/Orvane.inf; do
  [ -e "$bin/$file" ] || { echo "camera-bench: $bin/$file is missing; build the windows preset first" >&2; exit 1; }
done

export ORVANE_WINE_DIR=$root/build/wine-bench
wine=$root/scripts/wine.sh
out=$(mktemp -d)
"$wine" start
cleanup() {
  (cd "$bin" && "$wine" run devcon.exe remove Orvane >/dev/null 2>&1) || true
  "$wine" stop
  rm -rf "$out"
}
trap cleanup EXIT

cd "$bin"
"$wine" run devcon.exe install 'driver\Orvane.inf' Orvane >/dev/null
"$wine" run camclient.exe produce --device Orvane --size 1920x1080 --format YUY2 --fps 30 \
  --seconds $((seconds + 4)) >"$out/producer" 2>&1 &
producer=$!
# The clients join a running stream, as call apps do; the first second is the producer's start.
sleep 1.5
"$wine" run camclient.exe read --device Orvane --size 1920x1080 --format YUY2 --fps 30 --seconds "$seconds" \
  >"$out/client-1080p-yuy2" 2>&1 &
first=$!
"$wine" run camclient.exe read --device Orvane --size 1280x720 --format NV12 --fps 30 --seconds "$seconds" \
  >"$out/client-720p-nv12" 2>&1 &
second=$!
status=0
wait $first || status=1
wait $second || status=1
wait $producer || status=1

for report in producer client-1080p-yuy2 client-720p-nv12; do
  echo "== $report"
  cat "$out/$report"
done
echo
printf '%-18s %7s %7s %8s %7s %9s %11s %10s %9s %8s\n' process frames fps dropped missed repeated latency-mean latency-p95 \
  latency-max cpu
for report in client-1080p-yuy2 client-720p-nv12; do
  awk -v name="$report" '
    /^frames:/ { frames = $2; fps = $6; gsub(/[(]/, "", fps) }
    /^dropped:/ { dropped = $2 }
    /^pattern:/ { missed = $7; gsub(/,/, "", missed); repeated = $9 }
    /^latency:/ { mean = $3; p95 = $6; max = $9 }
    /^cpu:/ { cpu = $2 + $5 }
    END { printf "%-18s %7s %7s %8s %7s %9s %9s ms %7s ms %6s ms %6.2f s\n", name, frames, fps, dropped, missed, repeated, mean, p95, max, cpu }
  ' "$out/$report"
done
awk '/^produced:/ { frames = $2 } /^per frame:/ { push = $7 } /^cpu:/ { cpu = $2 + $5 }
     END { printf "%-18s %7s %7s %8s %7s %9s %12s %10s %9s %6.2f s\n", "producer", frames, "30", "-", "-", "-", "push " push " ms", "", "", cpu }' \
  "$out/producer"
exit $status
