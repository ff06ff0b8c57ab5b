#!/usr/bin/env bash
# Builds the Windows (MinGW-w64) copies of GoogleTest, tinyxml2, jsoncpp and libyuv from Debian's sources into
# build/deps/mingw, a prefix the Windows preset searches. With --check it only says (by exit code)
# whether the prefix is complete for the current source versions.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps=$root/build/deps
prefix=$deps/mingw
toolchain=$root/cmake/mingw-w64-x86_64.cmake

src_version() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || echo none; }
# The stamp names the Debian versions the prefix was built from, so an upgrade rebuilds it.
stamp_text="googletest=$(src_version googletest) tinyxml2=$(src_version libtinyxml2-dev) jsoncpp=$(src_version libjsoncpp-dev) libyuv=$(src_version libyuv-dev)"
stamp=$prefix/.built-from

if [ "${1:-}" = "--check" ]; then
  [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$stamp_text" ]
  exit
fi

rm -rf "$prefix" "$deps/src" "$deps/obj"
mkdir -p "$prefix" "$deps/src" "$deps/obj"

cross_build() { # name source-dir cmake-args...
  local name=$1 src=$2; shift 2
  echo "mingw-deps: building $name"
  cmake -S "$src" -B "$deps/obj/$name" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" >/dev/null
  cmake --build "$deps/obj/$name" >/dev/null
  cmake --install "$deps/obj/$name" >/dev/null
}

cross_build googletest /usr/src/googletest -Dgtest_force_shared_crt=ON

# Debian's own source packages, so the Windows build uses the same library versions as the native one.
fetch_source() { # installed binary package -> prints the unpacked directory of its source package
  local src
  src=$(dpkg-query -W -f='${source:Package}' "$1")
  (cd "$deps/src" && apt-get source -qq "$1" >/dev/null 2>&1)
  find "$deps/src" -maxdepth 1 -mindepth 1 -type d -name "$src-*" | head -n1
}
tinyxml2_src=$(fetch_source libtinyxml2-dev)
jsoncpp_src=$(fetch_source libjsoncpp-dev)
libyuv_src=$(fetch_source libyuv-dev)
[ -n "$tinyxml2_src" ] && [ -n "$jsoncpp_src" ] && [ -n "$libyuv_src" ] || { echo "mingw-deps: apt-get source failed (deb-src entries?)" >&2; exit 1; }

cross_build tinyxml2 "$tinyxml2_src" -Dtinyxml2_BUILD_TESTING=OFF -DBUILD_TESTING=OFF
cross_build jsoncpp "$jsoncpp_src" -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF \
  -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF

# libyuv's project also builds a shared library and two tools; only the static library is wanted. Its
# vector code may spill 32-byte registers to the 16-byte aligned Windows stack: the assembler option
# turns those aligned moves into unaligned ones (as for our own kernels).
echo "mingw-deps: building libyuv"
cmake -S "$libyuv_src" -B "$deps/obj/libyuv" -G Ninja -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_DISABLE_FIND_PACKAGE_JPEG=ON \
  -DCMAKE_C_FLAGS=-Wa,-muse-unaligned-vector-move -DCMAKE_CXX_FLAGS=-Wa,-muse-unaligned-vector-move >/dev/null
cmake --build "$deps/obj/libyuv" --target yuv >/dev/null
install -m 644 "$deps/obj/libyuv/libyuv.a" "$prefix/lib/"
cp -r "$libyuv_src/include/." "$prefix/include/"

rm -rf "$deps/src" "$deps/obj"
echo "$stamp_text" > "$stamp"
