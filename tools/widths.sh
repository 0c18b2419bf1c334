# Sourced: the one answer to "does this machine run 32-bit Windows programs under Wine?",
# which every command asks once, after its Wine session has started.
#
# Some machines of this kind run no 32-bit (i386) executable at all: the kernel refuses them,
# so Wine's 32-bit half cannot start, the prefix gets no SysWOW64, and every 32-bit Windows
# program fails to start. The answer comes from starting a 32-bit program of our own, not
# from the packages, which install either way. LEXIFERRY_32BIT=no forces "no", to try the
# 64-bit-only way on a machine that has both.

# lexiferry_ask_32bit: sets LEXIFERRY_RUNS_32BIT (yes or no) and, for no, LEXIFERRY_NO_32BIT_WHY.
lexiferry_ask_32bit() {
  LEXIFERRY_RUNS_32BIT=no
  if [ "${LEXIFERRY_32BIT:-}" = no ]; then
    LEXIFERRY_NO_32BIT_WHY="LEXIFERRY_32BIT=no forces the 64-bit-only way"
    return 0
  fi
  local dir answer=""
  dir=$(mktemp -d)
  if i686-w64-mingw32-gcc-posix -O2 -s -o "$dir/runs32.exe" "$LEXIFERRY_ROOT/tools/probe/runs32.c" 2>"$dir/cc"
  then
    answer=$("$LEXIFERRY_WINE" "$dir/runs32.exe" </dev/null 2>/dev/null | tr -d '\r' || true)
  else
    LEXIFERRY_NO_32BIT_WHY="the 32-bit probe did not compile: $(head -n 1 "$dir/cc")"
  fi
  rm -rf "$dir"
  if [ "$answer" = "32-bit programs run" ]; then
    LEXIFERRY_RUNS_32BIT=yes
  elif [ -z "${LEXIFERRY_NO_32BIT_WHY:-}" ]; then
    LEXIFERRY_NO_32BIT_WHY="this machine cannot run 32-bit programs (a 32-bit program of ours did not start under Wine)"
  fi
  export LEXIFERRY_RUNS_32BIT LEXIFERRY_NO_32BIT_WHY
}
