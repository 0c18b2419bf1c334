# shellcheck shell=bash
# Shared by the wine wrapper and the top-level commands; sourced, not run.

# lexiferry_wine_env PREFIX [PROGRAM]: exports the environment every Wine run uses.
lexiferry_wine_env() {
  local prefix=$1 program=${2:-}
  if [ -z "$prefix" ]; then
    # A test program lives somewhere below the build tree; the prefix sits at its top.
    local dir
    dir=$(cd "$(dirname "$program")" && pwd)
    while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
    [ -f "$dir/CMakeCache.txt" ] || { echo "wine-env: no build tree above $program" >&2; return 2; }
    prefix=$dir/wineprefix
  fi
  export WINEPREFIX=$prefix
  export WINEDEBUG=-all
  # A test may add overrides of its own (LEXIFERRY_WINEDLLOVERRIDES): Wine takes them from this
  # Unix environment, for the program it starts and every program that one starts.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${LEXIFERRY_WINEDLLOVERRIDES:+;$LEXIFERRY_WINEDLLOVERRIDES}"
  # A Simplified-Chinese Windows: ANSI code page 936.
  export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
  # Debian's loaders, or those in LEXIFERRY_WINE_DIR (the script tests' stand-ins).
  local loaders=${LEXIFERRY_WINE_DIR:-/usr/lib/wine}
  LEXIFERRY_WINE=$loaders/wine64
  [ -x "$LEXIFERRY_WINE" ] || LEXIFERRY_WINE=$(command -v wine64 || command -v wine)
  # The 32-bit loader: whether the kernel starts it tells whether 32-bit programs run here.
  LEXIFERRY_WINE32=$loaders/wine
  LEXIFERRY_WINESERVER=$loaders/wineserver64
  [ -x "$LEXIFERRY_WINESERVER" ] || LEXIFERRY_WINESERVER=$(command -v wineserver)
  export LEXIFERRY_WINE LEXIFERRY_WINE32 LEXIFERRY_WINESERVER
}

# lexiferry_wine_ready: creates the prefix on first use and makes sure its server and
# services run detached from the caller's output. Safe to call from many processes at once.
lexiferry_wine_ready() {
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.lexiferry-ready-wow64" ] || ! "$LEXIFERRY_WINESERVER" -k0 2>/dev/null; then
      "$LEXIFERRY_WINESERVER" -p 9>&- </dev/null >/dev/null 2>&1 || true
      "$LEXIFERRY_WINE" wineboot 9>&- </dev/null >/dev/null 2>&1 || true
      if [ ! -f "$WINEPREFIX/.lexiferry-ready-wow64" ]; then
        lexiferry_wine_configure 9>&-
        touch "$WINEPREFIX/.lexiferry-ready-wow64"
      fi
    fi
  ) 9>"$WINEPREFIX.lock"
}

# One-time settings of a new prefix.
lexiferry_wine_configure() {
  local reg=(reg add)
  # A crash must end the program, not wait in the debugger's dialog: in both registry views,
  # since a 32-bit program that crashes reads the setting from the 32-bit one.
  local view
  for view in /reg:64 /reg:32; do
    (cd / && "$LEXIFERRY_WINE" "${reg[@]}" 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
        /v Debugger /d 'lexiferry-no-debugger.exe' /f "$view") </dev/null >/dev/null 2>&1
    (cd / && "$LEXIFERRY_WINE" "${reg[@]}" 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
        /v Auto /d 1 /f "$view") </dev/null >/dev/null 2>&1
  done
  # Without a window manager, unmanaged windows are destroyed at once instead of after ~2 s.
  (cd / && "$LEXIFERRY_WINE" "${reg[@]}" 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f) \
      </dev/null >/dev/null 2>&1
}
