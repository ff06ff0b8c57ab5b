#!/usr/bin/env bash
# Benchmark of the whole chain under Wine: the synthetic webcam (YUY2 at 30 fps), or a 1080p30 H.264
# file, -> NimbRenderer.ax (camfeed.exe, through the application's graph owner) -> the virtual camera
# device -> two camera clients reading it as call apps do (one at the source's size in YUY2, one at
# 1280x720 in NV12), at 1280x720 and 1920x1080, without and with zoom (10, half of each side) and
# rotation. Prints a table, one row per client: frames per second at the device and at the client,
# producer frames the client missed or saw twice (webcam runs, whose frames carry the test pattern),
# latency from the producer's push to the client's delivery, and CPU per frame of the feeding process
# and of the client.
#   scripts/renderer-bench.sh [SECONDS]    default 15; needs the windows preset built
# It uses a Wine prefix, display and wineserver of its own (build/wine-renderer-bench), so it may run
# beside the tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-15}
bin=$root/build/windows/bin
command -v ffmpeg >/dev/null || { echo "renderer-bench: ffmpeg is missing; run scripts/setup.sh" >&2; exit 1; }
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

# A 1080p30 H.264 clip of a moving test picture, a little longer than a run so that it rarely loops.
clip=$out/clip-1080p30.mp4
ffmpeg -loglevel error -y -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=$((seconds + 10))" \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p "$clip"
clip_windows=$(WINEPREFIX=$ORVANE_WINE_DIR/prefix WINEDEBUG=-all winepath -w "$clip")

status=0
runs=()
# Feeds one source for the run, with two clients joining the running stream.
run() {
  local name=$1 size=$2
  shift 2
  runs+=("$name")
  "$wine" run camfeed.exe "$@" --seconds $((seconds + 4)) >"$out/$name.feed" 2>&1 &
  local feeder=$!
  # The clients join a running stream; the first seconds are the graph's start.
  sleep 2
  "$wine" run camclient.exe read --device Orvane --size "$size" --format YUY2 --fps 30 --seconds "$seconds" \
    >"$out/$name.client-a" 2>&1 &
  local first=$!
  "$wine" run camclient.exe read --device Orvane --size 1280x720 --format NV12 --fps 30 --seconds "$seconds" \
    >"$out/$name.client-b" 2>&1 || status=1
  wait $first || status=1
  wait $feeder || status=1
}
for size in 1280x720 1920x1080; do
  run "$size-plain" "$size" --format YUY2 --size "$size" --fps 30
  run "$size-zoom-rotate" "$size" --format YUY2 --size "$size" --fps 30 --zoom 10 --rotate
done
run "1920x1080-h264-file" 1920x1080 --file "$clip_windows"

for name in "${runs[@]}"; do
  echo "== $name: camfeed"
  cat "$out/$name.feed"
  for client in a b; do
    echo "== $name: camclient $client"
    cat "$out/$name.client-$client"
  done
done
echo
printf '%-26s %9s %9s %7s %9s %12s %11s %13s %13s\n' run device-fps client-fps missed repeated latency-mean latency-p95 \
  renderer-cpu client-cpu
for row in "${runs[@]/%/:a}" "${runs[@]/%/:b}"; do
  name=${row%:*}
  client=${row##*:}
  feed=$(awk '/^fed:/ { fps = $7; gsub(/[(]/, "", fps) } /^cpu per frame:/ { cpu = $4 } END { print fps, cpu }' "$out/$name.feed")
  awk -v name="$name-$client" -v feed="$feed" '
    /^frames:/ { frames = $2; fps = $6; gsub(/[(]/, "", fps) }
    /^pattern:/ { missed = $7; gsub(/,/, "", missed); repeated = $9 }
    /^latency:/ { mean = $3; p95 = $6 }
    /^cpu:/ { cpu = $2 + $5 }
    END {
      split(feed, f, " ")
      printf "%-26s %9s %9s %7s %9s %9s ms %8s ms %8s ms/f %8.2f ms/f\n", name, f[1], fps, missed, repeated, mean, p95,
             f[2], (frames > 0 ? 1000 * cpu / frames : 0)
    }' "$out/$name.client-$client"
done
exit $status
