#!/usr/bin/env bash
# Builds Lexiferry and runs every test under Wine, on a private virtual display.
# On a fresh Debian machine it first installs what is missing.  Usage: tools/test.sh
set -euo pipefail
export LEXIFERRY_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${LEXIFERRY_BUILD_DIR:-$LEXIFERRY_ROOT/build}

"$LEXIFERRY_ROOT/tools/install-deps.sh"
"$LEXIFERRY_ROOT/tools/build.sh" "$build"

source "$LEXIFERRY_ROOT/tools/display.sh"
lexiferry_session "$build/wineprefix"
export LEXIFERRY_WINEPREFIX=$WINEPREFIX

cd "$build"
ctest --output-on-failure -j2 ${LEXIFERRY_CTEST_ARGS:-}
