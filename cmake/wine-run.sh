#!/usr/bin/env bash
# Runs a Windows program under Wine in a dedicated prefix (never the user's own).
#   LEXIFERRY_WINEPREFIX  the prefix; default: wineprefix beside the program's build tree
# The first caller creates the prefix and starts Wine's services detached, under a lock:
# a service started by a test would inherit CTest's output pipe and keep CTest waiting.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: wine-run.sh PROGRAM [ARGS...]" >&2; exit 2; }

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=wine-env.sh
source "$here/wine-env.sh"
lexiferry_wine_env "${LEXIFERRY_WINEPREFIX:-}" "$1"
lexiferry_wine_ready
exec "$LEXIFERRY_WINE" "$@"
