#!/usr/bin/env bash
# Configures and builds Lexiferry for Windows with MinGW-w64, in both widths: BUILD_DIR holds
# the 32-bit program that ships (BUILD_DIR/lexiferry.exe), BUILD_DIR-x64 the 64-bit one.
#   Usage: tools/build.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}

# configure DIR ARCH: a build tree for one width (i686 or x86_64).
configure() {
  local dir=$1 arch=$2
  # A tree configured for the other width keeps its compiler whatever the toolchain file says.
  if [ -f "$dir/CMakeCache.txt" ] && ! grep -q "^CMAKE_CXX_COMPILER:.*$arch-w64-mingw32" \
       "$dir/CMakeCache.txt"; then
    rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
  fi
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" >/dev/null
}

configure "$build" i686
configure "$build-x64" x86_64
cmake --build "$build" -j"$(nproc)"
cmake --build "$build-x64" -j"$(nproc)"
