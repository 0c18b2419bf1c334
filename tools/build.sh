#!/usr/bin/env bash
# Configures and builds Lexiferry for Windows with MinGW-w64, in both widths: BUILD_DIR holds
# the 32-bit program that ships (BUILD_DIR/lexiferry.exe), BUILD_DIR-x64 the 64-bit one.
#   Usage: tools/build.sh [BUILD_DIR]
set -euo pipefail
LEXIFERRY_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export LEXIFERRY_ROOT
build=${1:-$LEXIFERRY_ROOT/build}
# shellcheck source=configure.sh
source "$LEXIFERRY_ROOT/tools/configure.sh"

lexiferry_configure "$build" i686
lexiferry_configure "$build-x64" x86_64
cmake --build "$build" -j"$(nproc)"
cmake --build "$build-x64" -j"$(nproc)"
