#!/usr/bin/env bash
# Benchmark of the whole chain under Wine: the synthetic webcam (YUY2 at 30 fps) -> NimbRenderer.ax
# (camfeed.exe, the application's capture graph) -> the virtual camera device -> a camera client
# reading it as a call app does, at 1280x720 and 1920x1080, without and with zoom (10, half of each
# side) and rotation. Prints a table: frames per second at the device and at the client, webcam frames
# the client missed or saw twice, latency from the webcam's time stamp to the client's delivery, and
# CPU per frame of the webcam-and-renderer process and of the client.
#   scripts/renderer-bench.sh [SECONDS]    default 15; needs the windows preset built
# It uses a Wine prefix, display and wineserver of its own (build/wine-renderer-bench), so it may run
# beside the tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-15}
bin=$root/build/windows/bin
for file in camclient.exe camfeed.exe devcon.exe NimbCamera.ax NimbRenderer.ax TestCam.ax driver/Orvane.inf; do
  [ -e "$bin/$file" ] || { echo "renderer-bench: $bin/$file is missing; build the windows preset first" >&2; exit 1; }
done

export ORVANE_WINE_DIR=$root/build/wine-renderer-bench
wine=$root/scripts/wine.sh
out=$(mktemp -d)
"$wine" start
cleanup() {
  (cd "$bin" && "$wine" run regsvr32 /s /u TestCam.ax >/dev/null 2>&1) || true
  "$wine" run reg delete 'HKCU\Software\Halvyn\TestCam' /f >/dev/null 2>&1 || true
  (cd "$bin" && "$wine" run devcon.exe remove Orvane >/dev/null 2>&1) || true
  "$wine" stop
  rm -rf "$out"
}
trap cleanup EXIT

cd "$bin"
"$wine" run devcon.exe install 'driver\Orvane.inf' Orvane >/dev/null
# The synthetic webcam offers YUY2 in both sizes (see tools/testcam/TestCamIds.h for its settings).
"$wine" run reg add 'HKCU\Software\Halvyn\TestCam\0' /v Formats /t REG_MULTI_SZ \
  /d 'YUY2 1280x720@30\0YUY2 1920x1080@30' /f >/dev/null
"$wine" run regsvr32 /s TestCam.ax

status=0
runs=()
for size in 1280x720 1920x1080; do
  for transform in plain zoom-rotate; do
    name=$size-$transform
    runs+=("$name")
    settings=()
    [ "$transform" = zoom-rotate ] && settings=(--zoom 10 --rotate)
    "$wine" run camfeed.exe --format YUY2 --size "$size" --fps 30 --seconds $((seconds + 4)) "${settings[@]}" \
      >"$out/$name.feed" 2>&1 &
    feeder=$!
    # The client joins a running stream; the first seconds are the graph's start.
    sleep 2
    "$wine" run camclient.exe read --device Orvane --size "$size" --format YUY2 --fps 30 --seconds "$seconds" \
      >"$out/$name.client" 2>&1 || status=1
    wait $feeder || status=1
  done
done

for name in "${runs[@]}"; do
  echo "== $name: camfeed"
  cat "$out/$name.feed"
  echo "== $name: camclient"
  cat "$out/$name.client"
done
echo
printf '%-22s %9s %9s %7s %9s %12s %11s %13s %13s\n' run device-fps client-fps missed repeated latency-mean latency-p95 \
  renderer-cpu client-cpu
for name in "${runs[@]}"; do
  feed=$(awk '/^fed:/ { fps = $7; gsub(/[(]/, "", fps) } /^cpu per frame:/ { cpu = $4 } END { print fps, cpu }' "$out/$name.feed")
  awk -v name="$name" -v feed="$feed" '
    /^frames:/ { frames = $2; fps = $6; gsub(/[(]/, "", fps) }
    /^pattern:/ { missed = $7; gsub(/,/, "", missed); repeated = $9 }
    /^latency:/ { mean = $3; p95 = $6 }
    /^cpu:/ { cpu = $2 + $5 }
    END {
      split(feed, f, " ")
      printf "%-22s %9s %9s %7s %9s %9s ms %8s ms %8s ms/f %8.2f ms/f\n", name, f[1], fps, missed, repeated, mean, p95,
             f[2], (frames > 0 ? 1000 * cpu / frames : 0)
    }' "$out/$name.client"
done
exit $status
