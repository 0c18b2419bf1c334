# shellcheck shell=bash
# Sourced: configures a build tree of Lexiferry for Windows with MinGW-w64.

# lexiferry_configure DIR ARCH [CMAKE ARGS...]: a Release tree for one width (i686 or x86_64).
lexiferry_configure() {
  local dir=$1 toolchain=$LEXIFERRY_ROOT/cmake/mingw-w64-$2.cmake
  shift 2
  # A tree configured for the other width keeps its compiler whatever the toolchain file says,
  # so it starts afresh. Ask the cache for the toolchain file, whatever type CMake gave it: the
  # compilers that file sets are no cache entries, and a test that misses wipes CMakeFiles/,
  # and with it the program's own objects, on every run.
  if [ -f "$dir/CMakeCache.txt" ] &&
     [ "$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$dir/CMakeCache.txt")" != "$toolchain" ]; then
    rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
  fi
  # Typed: given untyped on the command line, the entry turns UNINITIALIZED and back to
  # FILEPATH on every other run.
  cmake -S "$LEXIFERRY_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE:FILEPATH="$toolchain" "$@" >/dev/null
}

# lexiferry_build_release DIR ARCH: the program alone, as a release ships it (no tests).
lexiferry_build_release() {
  lexiferry_configure "$1" "$2" -DLEXIFERRY_BUILD_TESTS=OFF
  cmake --build "$1" -j"$(nproc)" --target lexiferry >/dev/null
}
