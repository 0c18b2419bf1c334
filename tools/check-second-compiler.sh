#!/usr/bin/env bash
# Compiles the program's own code (app, ime, dict, ui, win, res; not the tests) with a second
# compiler: Debian's clang for the 32-bit MinGW-w64 target, against the same MinGW-w64 headers
# and libstdc++, with warnings as errors and -Wpedantic. Each source file, and each header on
# its own, is checked for syntax and meaning; nothing is linked or run. It shows that the code
# keeps to standard C++ and to what the Windows headers declare, where GCC alone might have let
# an extension or a GCC-only reading pass, as an MSVC build needs; it does not show that MSVC
# builds it (MSVC's own headers, warnings and libraries are untried).
#   Usage: tools/check-second-compiler.sh BUILD_DIR   (a configured 32-bit tree: its generated
#   headers are read)
set -euo pipefail
LEXIFERRY_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:?Usage: tools/check-second-compiler.sh BUILD_DIR}
# Its messages, which are shown, in one fixed language.
export LC_ALL=C

# libstdc++ as the MinGW-w64 GCC has it: clang 14 does not find it under Debian's folder name
# (12-posix), and would take the build machine's own headers from /usr/include instead.
gcc_dir=$(dirname "$(i686-w64-mingw32-g++-posix -print-libgcc-file-name)")
flags=(
  --target=i686-w64-mingw32 --sysroot=/usr/i686-w64-mingw32 -nostdinc++
  -isystem "$gcc_dir/include/c++" -isystem "$gcc_dir/include/c++/i686-w64-mingw32"
  -isystem "$gcc_dir/include/c++/backward"
  # As cmake/CompileFlags.cmake gives them to every target of ours.
  -std=c++20 -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0601
  -DWINVER=0x0601 -I"$LEXIFERRY_ROOT" -I"$build/res/generated"
  -Wall -Wextra -Wpedantic -Werror -fsyntax-only
)
[ -f "$build/res/generated/Version.h" ] ||
  { echo "No generated headers in $build: configure it first (tools/build.sh)." >&2; exit 1; }

cd "$LEXIFERRY_ROOT"
sources=(app/*.cpp ime/*.cpp dict/*.cpp ui/*.cpp win/*.cpp)
headers=(app/*.h ime/*.h dict/*.h ui/*.h win/*.h res/*.h)
status=0
# A header on its own, as the first thing a file includes: it must bring what it needs.
for header in "${headers[@]}"; do
  printf '#include "%s"\n' "$header" | clang++ "${flags[@]}" -x c++ - || status=1
done
printf '%s\0' "${sources[@]}" | xargs -0 -n 4 -P 2 clang++ "${flags[@]}" || status=1
if [ "$status" -eq 0 ]; then
  echo "Passed: ${#sources[@]} source files and ${#headers[@]} headers, $(clang++ --version | head -n 1)."
fi
exit "$status"
