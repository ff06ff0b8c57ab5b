#!/usr/bin/env bash
# Benchmark of Orvane.exe as a user runs it under Wine: the synthetic webcam at 1080p30 as the only
# camera, the program started and Play clicked, two camera clients reading the virtual camera as call
# apps do (1080p YUY2 and 720p NV12) for the run, then an auto-play after the camera failed. Prints
# Play to first frame, client open to first live frame, the program's CPU per frame and its private
# bytes and handles (playing and at the end), and each client's frames, rate, drops and latency.
#   scripts/program-bench.sh [SECONDS]    default 60; needs the windows preset built
# It uses a Wine prefix, display and wineserver of its own (build/wine-program-bench), so it may run
# beside the tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
bin=$root/build/windows/bin
for file in Orvane.exe playbench.exe camclient.exe devcon.exe NimbCamera.ax NimbRenderer.ax TestCam.ax driver/Orvane.inf; do
  [ -e "$bin/$file" ] || { echo "program-bench: $bin/$file is missing; build the windows preset first" >&2; exit 1; }
done

export ORVANE_WINE_DIR=$root/build/wine-program-bench
wine=$root/scripts/wine.sh
"$wine" start
cleanup() {
  "$wine" run taskkill /f /im Orvane.exe >/dev/null 2>&1 || true
  (cd "$bin" && "$wine" run regsvr32 /s /u TestCam.ax >/dev/null 2>&1) || true
  "$wine" run reg delete 'HKCU\Software\Halvyn' /f >/dev/null 2>&1 || true
  (cd "$bin" && "$wine" run devcon.exe remove Orvane >/dev/null 2>&1) || true
  "$wine" stop
}
trap cleanup EXIT

cd "$bin"
"$wine" run devcon.exe install 'driver\Orvane.inf' Orvane >/dev/null
"$wine" run reg delete 'HKCU\Software\Halvyn\Orvane' /f >/dev/null 2>&1 || true
# The synthetic webcam offers 1080p30 YUY2 only (see tools/testcam/TestCamIds.h for its settings).
"$wine" run reg add 'HKCU\Software\Halvyn\TestCam\0' /v Formats /t REG_MULTI_SZ /d 'YUY2 1920x1080@30' /f >/dev/null
"$wine" run regsvr32 /s TestCam.ax

# The program's memory, descriptors and CPU time, read from the host twice a second (Wine 8 reports
# none of them through the Windows process APIs): "time rss_kB anon_kB descriptors cpu_ticks".
samples=$(mktemp)
sample() {
  local pid=""
  while :; do
    if [ -z "$pid" ]; then
      for candidate in $(pgrep -f 'Orvane\.exe' || true); do
        if tr '\0' '\n' <"/proc/$candidate/environ" 2>/dev/null | grep -qx "WINEPREFIX=$ORVANE_WINE_DIR/prefix"; then
          pid=$candidate
        fi
      done
    elif [ -r "/proc/$pid/status" ]; then
      read -r -a stat <"/proc/$pid/stat" || true
      echo "$(date +%s.%N) $(awk '/^VmRSS/ {r=$2} /^RssAnon/ {a=$2} END {print r+0, a+0}' "/proc/$pid/status") \
$(ls "/proc/$pid/fd" 2>/dev/null | wc -l) $((stat[13] + stat[14]))" >>"$samples"
    fi
    sleep 0.5
  done
}
sample &
sampler=$!
report=$(mktemp)
status=0
"$wine" run playbench.exe "$seconds" | tee "$report" || status=$?
kill $sampler 2>/dev/null || true
read -r _ start end frames < <(grep '^measured ' "$report") || true
if [ -n "${start:-}" ]; then
  awk -v start="$start" -v end="$end" -v frames="$frames" -v hz="$(getconf CLK_TCK)" '
    $1 >= start && first == "" { first = $0 }
    $1 <= end { last = $0 }
    END {
      split(first, a, " "); split(last, b, " ")
      printf "Program resident memory, playing / at the end %6.1f / %.1f MB (anonymous %.1f / %.1f MB)\n", a[2] / 1024, b[2] / 1024, a[3] / 1024, b[3] / 1024
      printf "Program open descriptors, playing / at the end %5d / %d\n", a[4], b[4]
      if (frames > 0) printf "Program CPU per frame                        %7.2f ms\n", (b[5] - a[5]) * 1000 / hz / frames
    }' "$samples"
fi
rm -f "$samples" "$report"
exit $status
