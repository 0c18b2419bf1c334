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
# Wine now and then fails to start a process (CreateProcessW gives ERROR_INTERNAL_ERROR, the
# new process never runs): seen about once in a few thousand starts, more often under load.
# A test that fails therefore runs once more; the failed run stays in the output, and the
# tests that passed only on their second run are named at the end.
log="$build/Testing/test-output.log"
mkdir -p "$build/Testing"
status=0
ctest --output-on-failure -j2 --repeat "${LEXIFERRY_CTEST_REPEAT:-until-pass:2}" \
  ${LEXIFERRY_CTEST_ARGS:-} 2>&1 | tee "$log" || status=$?
if [ "$status" -eq 0 ]; then
  retried=$(sed -n 's/^ *[0-9]*\/[0-9]* Test *#[0-9]*: \([^ ]*\) .*\*\*\*.*/\1/p' "$log")
  if [ -n "$retried" ]; then
    echo "Passed on a second run after a failed first one (see above):"
    printf '  %s\n' $retried
  fi
fi
exit "$status"
