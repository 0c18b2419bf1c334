# shellcheck shell=bash
# Sourced: the one answer to "does this machine run 32-bit Windows programs under Wine?",
# which every command asks once, after its Wine session has started.
#
# Some machines of this kind run no 32-bit (i386) executable at all: the kernel refuses them
# ("Exec format error"), so Wine's 32-bit half cannot start and no 32-bit Windows program
# runs. That refusal of Wine's own 32-bit loader is one "no" a machine gives; the other is a
# 32-bit Wine that is not there because tools/install-deps.sh could not install it (a package
# registry in the middle of a sync, say), which it notes with apt's reason in
# ${XDG_STATE_HOME:-~/.local/state}/lexiferry/wine32-not-installed. Any other failure to start
# a 32-bit program of ours (Wine failing to start a process, which happens now and then under
# load; a 32-bit Wine that is installed but broken; a prefix made on the other sort of
# machine) is a fault and stops the command: taken for "no", it would skip every 32-bit test
# and pass. LEXIFERRY_32BIT=no forces "no", to try the 64-bit-only way on a machine that has
# both.

# lexiferry_ask_32bit: sets and exports LEXIFERRY_RUNS_32BIT (yes or no) and
# LEXIFERRY_NO_32BIT_WHY (why not; empty for yes), whatever the caller had in them. When it
# cannot tell, it says why on standard error and returns 1.
# LEXIFERRY_PROBE_SECONDS: how long one start of the probe may take (default 60).
lexiferry_ask_32bit() {
  export LEXIFERRY_RUNS_32BIT=no LEXIFERRY_NO_32BIT_WHY=
  if [ "${LEXIFERRY_32BIT:-}" = no ]; then
    LEXIFERRY_NO_32BIT_WHY="LEXIFERRY_32BIT=no forces the 64-bit-only way"
    return 0
  fi
  # The note is about a loader that is not there: once it is, whoever installed it, the note
  # is out of date and the loader is asked.
  local note=${XDG_STATE_HOME:-$HOME/.local/state}/lexiferry/wine32-not-installed
  if [ ! -e "$LEXIFERRY_WINE32" ] && [ -s "$note" ]; then
    LEXIFERRY_NO_32BIT_WHY="the 32-bit Wine could not be installed: $(head -n 1 "$note")"
    return 0
  fi
  # What Wine says goes to files beside the prefix, kept for a look after a failure; never to
  # a pipe, which a Wine service started meanwhile would inherit and hold open (as in
  # cmake/wine-run.sh).
  local dir=$WINEPREFIX-probe seconds=${LEXIFERRY_PROBE_SECONDS:-60} try status=0
  rm -rf "$dir"
  mkdir -p "$dir"
  # Started by bash itself, which names the kernel's refusal (timeout or env would hand a
  # refused file to /bin/sh as a script), in English: the session's locale is Chinese.
  if ! (export LC_ALL=C; "$LEXIFERRY_WINE32" --version </dev/null >"$dir/loader" 2>&1); then
    if grep -q 'Exec format error' "$dir/loader"; then
      LEXIFERRY_NO_32BIT_WHY="this machine cannot run 32-bit programs (the kernel refuses Wine's 32-bit loader $LEXIFERRY_WINE32: Exec format error)"
      return 0
    fi
    echo "Cannot tell whether this machine runs 32-bit programs: Wine's 32-bit loader" \
         "$LEXIFERRY_WINE32 does not start: $(head -n 1 "$dir/loader")" >&2
    return 1
  fi
  if ! i686-w64-mingw32-gcc-posix -O2 -s -o "$dir/runs32.exe" \
       "$LEXIFERRY_ROOT/tools/probe/runs32.c" </dev/null >"$dir/compiler" 2>&1; then
    echo "Cannot tell whether this machine runs 32-bit programs: the 32-bit probe does not" \
         "compile: $(head -n 1 "$dir/compiler")" >&2
    return 1
  fi
  for try in 1 2 3; do
    status=0
    timeout "$seconds" "$LEXIFERRY_WINE" "$dir/runs32.exe" </dev/null >"$dir/output" \
      2>"$dir/errors" || status=$?
    if [ "$(tr -d '\r' <"$dir/output")" = "32-bit programs run" ]; then
      LEXIFERRY_RUNS_32BIT=yes
      return 0
    fi
  done
  local last="ended with exit status $status"
  [ "$status" -ne 124 ] || last="was stopped after $seconds s"
  echo "Cannot tell whether this machine runs 32-bit programs: the kernel runs Wine's 32-bit" \
       "loader, but our 32-bit probe gave no answer under Wine in $try tries (the last $last;" \
       "what it wrote is in $dir)." >&2
  return 1
}
