#!/usr/bin/env bash
# The main job, end to end: installs what is missing, builds the Windows deliverables, then under a
# Wine of its own (prefix, display and wineserver in build/wine-demo, so it never disturbs the tests)
# installs the virtual camera with devcon.exe, registers the synthetic webcam, feeds the webcam through
# NimbRenderer.ax into the virtual camera (camfeed.exe builds the same capture graph as Orvane.exe),
# and lets the camera client read the virtual camera as a call app would and save what it received.
# Prints what happened and removes the device and the webcam again.
#   scripts/run.sh [SECONDS]    how long the client reads (default 8)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-8}

scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows

bin=$root/build/windows/bin
echo
echo "Deliverables in $bin:"
for f in Orvane.exe NimbRenderer.ax NimbCamera.ax devcon.exe; do
  printf '  %-18s %9d bytes\n' "$f" "$(stat -c %s "$bin/$f")"
done

export ORVANE_WINE_DIR=$root/build/wine-demo
wine=$root/scripts/wine.sh
demo=$root/build/demo
mkdir -p "$demo"
rm -f "$demo/received.png" "$demo"/*.log

echo
echo "Starting a private Wine (build/wine-demo) for the demo..."
"$wine" start
picture_windows=$(WINEPREFIX=$ORVANE_WINE_DIR/prefix WINEDEBUG=-all winepath -w "$demo/received.png")
cleanup() {
  (cd "$bin" && "$wine" run regsvr32 /s /u TestCam.ax >/dev/null 2>&1) || true
  (cd "$bin" && "$wine" run devcon.exe remove Orvane >/dev/null 2>&1) || true
  "$wine" stop
}
trap cleanup EXIT
cd "$bin"

echo "Installing the virtual camera:"
"$wine" run devcon.exe install 'driver\Orvane.inf' Orvane | sed 's/^/  /'
echo "Registering the synthetic webcam (TestCam.ax)."
"$wine" run regsvr32 /s TestCam.ax
echo "Video input devices now:"
"$wine" run camclient.exe list | sed 's/^/  /'

echo
echo "Feeding the webcam (1280x720 YUY2 at 30 fps) through NimbRenderer into the virtual camera for $((seconds + 4)) s,"
echo "while the camera client reads the virtual camera for $seconds s..."
"$wine" run camfeed.exe --format YUY2 --size 1280x720 --fps 30 --seconds $((seconds + 4)) >"$demo/camfeed.log" 2>&1 &
feeder=$!
# The client joins a running stream, as a call app does.
sleep 2
status=0
"$wine" run camclient.exe read --device Orvane --size 1280x720 --format YUY2 --fps 30 --seconds "$seconds" \
  --verify upright --save "$picture_windows" >"$demo/camclient.log" 2>&1 || status=$?
wait $feeder || status=$?

echo
echo "== the renderer's side (camfeed.exe)"
sed 's/^/  /' "$demo/camfeed.log"
echo "== the call app's side (camclient.exe)"
sed 's/^/  /' "$demo/camclient.log"
echo
if [ $status -eq 0 ] && [ -s "$demo/received.png" ]; then
  echo "The virtual camera showed the webcam's picture upright; the last frame it delivered is $demo/received.png"
else
  echo "The demo did not complete (exit status $status); see the logs above." >&2
fi
exit $status
