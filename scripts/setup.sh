#!/usr/bin/env bash
# Installs everything Orvane needs on Debian 12: the native and MinGW-w64 toolchains, Wine with Xvfb,
# test and benchmark libraries, media plugins for file playback tests, and the cross-built copies of
# GoogleTest, tinyxml2 and jsoncpp under build/deps. Safe to run again: it only does what is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev libfuzzer-14-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  wine wine64 xvfb xauth x11-apps imagemagick
  googletest libgtest-dev libgmock-dev libtinyxml2-dev libjsoncpp-dev libyuv-dev libbenchmark-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav gstreamer1.0-tools ffmpeg
  dpkg-dev python3-fonttools python3-pil
)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Source packages (for the MinGW builds of tinyxml2 and jsoncpp) need deb-src entries.
enable_deb_src() {
  local changed=0 f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] || continue
    if grep -qE '^Types: *deb *$' "$f"; then
      as_root sed -i -E 's/^Types: *deb *$/Types: deb deb-src/' "$f"; changed=1
    fi
  done
  if [ -f /etc/apt/sources.list ] && grep -qE '^deb ' /etc/apt/sources.list && ! grep -qE '^deb-src ' /etc/apt/sources.list; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | as_root tee -a /etc/apt/sources.list >/dev/null; changed=1
  fi
  if [ $changed -eq 1 ]; then as_root apt-get update -qq; fi
}

"$root/scripts/mingw-deps.sh" --check || { enable_deb_src; "$root/scripts/mingw-deps.sh"; }
