#!/usr/bin/env bash
# Runs a Windows program under Wine in a dedicated prefix (never the user's own).
#   LEXIFERRY_WINEPREFIX  the prefix; default: wineprefix beside the program's build tree
# The first caller creates the prefix and starts Wine's services detached, under a lock.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: wine-run.sh PROGRAM [ARGS...]" >&2; exit 2; }

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=wine-env.sh
source "$here/wine-env.sh"
lexiferry_wine_env "${LEXIFERRY_WINEPREFIX:-}" "$1"
lexiferry_wine_ready

# The program writes to files, and they reach our caller once it has ended. Wine starts a
# service on demand from whichever program needs it first, and the service inherits that
# program's standard handles: holding a pipe of CTest's until the server ends, it would keep
# CTest waiting for the test until its time-out.
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
status=0
"$LEXIFERRY_WINE" "$@" </dev/null >"$out" 2>"$err" || status=$?
cat "$out"
cat "$err" >&2
exit "$status"
