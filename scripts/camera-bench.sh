#!/usr/bin/env bash
# Benchmark of the virtual camera device under Wine: one producer pushing 1920x1080 YUY2 frames at
# FPS frames per second through the property set (the device's output format set to the same rate),
# and camera clients reading at that rate at once: 1920x1080 YUY2 and 1280x720 NV12 up to 60 fps, the
# 1280x720 NV12 one alone above that. Prints each process's report and a table: frames delivered,
# rate, frames dropped (skipped by the source), producer frames missed or repeated, latency from push
# to delivery (the test pattern's time stamp), CPU time and CPU time per client frame. Targets: at 30,
# 60 (two clients) and 120 fps (one client) nothing dropped or missed, latency under one frame interval.
#   scripts/camera-bench.sh [SECONDS [FPS]]    defaults 20 and 30; needs the windows preset built
# It uses a Wine prefix, display and wineserver of its own (build/wine-bench), so it may run beside
# the tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
fps=${2:-30}
case $fps in ''|*[!0-9]*) echo "camera-bench: FPS must be a whole number" >&2; exit 1 ;; esac
[ "$fps" -ge 1 ] && [ "$fps" -le 240 ] || { echo "camera-bench: FPS must be 1 to 240" >&2; exit 1; }
clients="client-1080p-yuy2 client-720p-nv12"
[ "$fps" -gt 60 ] && clients="client-720p-nv12"
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
"$wine" run camclient.exe produce --device Orvane --size 1920x1080 --format YUY2 --fps "$fps" \
  --output "1920x1080@$fps" --seconds $((seconds + 4)) >"$out/producer" 2>&1 &
producer=$!
# The clients join a running stream, as call apps do; the first second is the producer's start.
sleep 1.5
read_client() { # report-name size format
  "$wine" run camclient.exe read --device Orvane --size "$2" --format "$3" --fps "$fps" --seconds "$seconds" \
    >"$out/$1" 2>&1
}
readers=()
for client in $clients; do
  case $client in
    client-1080p-yuy2) read_client "$client" 1920x1080 YUY2 & ;;
    client-720p-nv12) read_client "$client" 1280x720 NV12 & ;;
  esac
  readers+=($!)
done
status=0
for reader in "${readers[@]}"; do wait "$reader" || status=1; done
wait $producer || status=1

for report in producer $clients; do
  echo "== $report"
  cat "$out/$report"
done
echo
printf '%-18s %7s %7s %8s %7s %9s %11s %10s %9s %8s %10s\n' process frames fps dropped missed repeated latency-mean \
  latency-p95 latency-max cpu cpu/frame
for report in $clients; do
  awk -v name="$report" '
    /^frames:/ { frames = $2; fps = $6; gsub(/[(]/, "", fps) }
    /^dropped:/ { dropped = $2 }
    /^pattern:/ { missed = $7; gsub(/,/, "", missed); repeated = $9 }
    /^latency:/ { mean = $3; p95 = $6; max = $9 }
    /^cpu:/ { cpu = $2 + $5 }
    END { printf "%-18s %7s %7s %8s %7s %9s %9s ms %7s ms %6s ms %6.2f s %7.2f ms\n", name, frames, fps, dropped, missed,
                 repeated, mean, p95, max, cpu, (frames > 0 ? 1000 * cpu / frames : 0) }
  ' "$out/$report"
done
awk -v fps="$fps" '/^produced:/ { frames = $2 } /^per frame:/ { push = $7 } /^cpu:/ { cpu = $2 + $5 }
     END { printf "%-18s %7s %7s %8s %7s %9s %12s %10s %9s %6.2f s\n", "producer", frames, fps, "-", "-", "-", "push " push " ms", "", "", cpu }' \
  "$out/producer"
exit $status
