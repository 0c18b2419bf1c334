# shellcheck shell=bash
# Sourced: configures a build tree of Lexiferry for Windows with MinGW-w64.

# lexiferry_configure DIR ARCH [CMAKE ARGS...]: a Release tree for one width (i686 or x86_64).
lexiferry_configure() {
  local dir=$1 arch=$2
  shift 2
  # A tree configured for the other width keeps its compiler whatever the toolchain file says.
  if [ -f "$dir/CMakeCache.txt" ] && ! grep -q "^CMAKE_CXX_COMPILER:.*$arch-w64-mingw32" \
       "$dir/CMakeCache.txt"; then
    rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
  fi
  cmake -S "$LEXIFERRY_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$LEXIFERRY_ROOT/cmake/mingw-w64-$arch.cmake" "$@" >/dev/null
}

# lexiferry_build_release DIR ARCH: the program alone, as a release ships it (no tests).
lexiferry_build_release() {
  lexiferry_configure "$1" "$2" -DLEXIFERRY_BUILD_TESTS=OFF
  cmake --build "$1" -j"$(nproc)" --target lexiferry >/dev/null
}
