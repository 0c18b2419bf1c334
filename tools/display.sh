# shellcheck shell=bash
# Sourced: starts a private virtual display and a fresh Wine server for a prefix, and ends
# both when the calling script exits; then asks whether 32-bit programs run here
# (tools/widths.sh), and returns 1 when that cannot be told. Never ends processes by name:
# other prefixes and displays may be running on this machine.

# lexiferry_session PREFIX [use-own-display]
lexiferry_session() {
  local prefix=$1 own=${2:-}
  # shellcheck source=../cmake/wine-env.sh
  source "$LEXIFERRY_ROOT/cmake/wine-env.sh"
  lexiferry_wine_env "$prefix"
  # A server left from an earlier run may know another display: start afresh.
  "$LEXIFERRY_WINESERVER" -k 2>/dev/null || true
  "$LEXIFERRY_WINESERVER" -w 2>/dev/null || true

  LEXIFERRY_XVFB_PID=
  if [ -z "$own" ] || [ -z "${DISPLAY:-}" ]; then
    local n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    # Xvfb writes the display's number to the -displayfd file once it takes clients.
    rm -f "$prefix.display"
    Xvfb ":$n" -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$prefix.display" \
      </dev/null >/dev/null 2>&1 &
    LEXIFERRY_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -s "$prefix.display" ] && break; sleep 0.1; done
  fi
  trap lexiferry_session_end EXIT
  # The display must be chosen before Wine's services start.
  lexiferry_wine_ready
  # shellcheck source=widths.sh
  source "$LEXIFERRY_ROOT/tools/widths.sh"
  lexiferry_ask_32bit
}

lexiferry_session_end() {
  "$LEXIFERRY_WINESERVER" -k 2>/dev/null || true
  "$LEXIFERRY_WINESERVER" -w 2>/dev/null || true
  if [ -n "${LEXIFERRY_XVFB_PID:-}" ]; then
    kill "$LEXIFERRY_XVFB_PID" 2>/dev/null || true
    wait "$LEXIFERRY_XVFB_PID" 2>/dev/null || true
  fi
}
