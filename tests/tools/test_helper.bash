# shellcheck shell=bash
# Loaded by every script test: each test gets a folder of its own, a HOME inside it, a PATH
# that starts with a folder of stand-in commands, and none of the variables the scripts read
# from their caller, so the caller's environment never decides a test.

LEXIFERRY_SOURCE=$(cd "$BATS_TEST_DIRNAME/../.." && pwd)
FIXTURES=$BATS_TEST_DIRNAME/fixtures

setup() {
  export TEST_DIR=$BATS_TEST_TMPDIR/t
  mkdir -p "$TEST_DIR/home" "$TEST_DIR/bin"
  export HOME=$TEST_DIR/home
  export PATH=$TEST_DIR/bin:/usr/local/bin:/usr/bin:/bin
  local name
  for name in $(compgen -e | grep -E '^(LEXIFERRY_|WINE|XDG_STATE_HOME$|DISPLAY$|CI$)'); do unset "$name"; done
}

# A stand-in that left something running in the background names it here, to be ended.
teardown() {
  local pid
  if [ -f "$TEST_DIR/background.pids" ]; then
    while read -r pid; do kill "$pid" 2>/dev/null || true; done <"$TEST_DIR/background.pids"
  fi
}

# create_script FILE: an executable bash script, its body read from standard input (a heredoc).
create_script() {
  mkdir -p "$(dirname "$1")"
  { echo '#!/usr/bin/env bash'; cat; } >"$1"
  chmod +x "$1"
}

# create_executable NAME: a stand-in command in the test's PATH, its body read from standard
# input (a heredoc), run by bash.
create_executable() {
  create_script "$TEST_DIR/bin/$1"
}

# assert_status EXPECTED: the last run's exit status is EXPECTED; if not, shows its output.
# shellcheck disable=SC2154  # status and output: set by bats' run
assert_status() {
  [ "$status" -eq "$1" ] || {
    printf 'exit status %s, not %s; the output:\n%s\n' "$status" "$1" "$output" >&2
    return 1
  }
}

# assert_output EXPECTED: the last run's output is exactly EXPECTED; if not, shows both.
# shellcheck disable=SC2154  # output: set by bats' run
assert_output() {
  [ "$output" = "$1" ] || {
    diff -u <(printf '%s\n' "$1") <(printf '%s\n' "$output") | sed 1,2d >&2
    return 1
  }
}

# stand_in_checkout: the checkout's commands in a folder of the test's own (tools/, cmake/,
# docs/, where bench.sh writes), building into $TEST_DIR/build, on a machine of stand-ins
# where 32-bit programs run: Debian's package tools (below), CMake, the compilers, Xvfb,
# CTest, and Wine's loaders and server (in LEXIFERRY_WINE_DIR). The checks that have tests of
# their own (the scripts', the same bytes from two builds), and the second compiler's, which
# reads the sources, are stood in for too. Sets ROOT and BUILD. What the stand-ins were asked
# is kept in $TEST_DIR/*.calls.
stand_in_checkout() {
  ROOT=$TEST_DIR/lexiferry
  BUILD=$TEST_DIR/build
  export LEXIFERRY_BUILD_DIR=$BUILD LEXIFERRY_WINE_DIR=$TEST_DIR/wine LEXIFERRY_APT_PAUSE=0
  mkdir -p "$ROOT"
  cp -R "$LEXIFERRY_SOURCE/tools" "$LEXIFERRY_SOURCE/cmake" "$LEXIFERRY_SOURCE/docs" "$ROOT/"
  create_script "$ROOT/tools/check-scripts.sh" <<<'echo "The scripts are sound."'
  create_script "$ROOT/tools/check-reproducible.sh" <<<'echo "Reproducible."'
  create_script "$ROOT/tools/check-second-compiler.sh" <<<'echo "Passed: clang."'

  # Debian's package tools: every package is installed but those named in
  # $TEST_DIR/not-installed, which apt-get installs, unless one is named in $TEST_DIR/refused.
  # Its update fails as many more times as $TEST_DIR/update-failures says, as on a registry in
  # the middle of a sync, after finding apt's list lock held as many times as
  # $TEST_DIR/list-lock-held says, as at a new machine's first boot. What they say when
  # nothing fails is noise, never to be shown. The user is not root, and sudo starts its
  # command with an environment of its own, as Debian's does; apt-get refuses to run in any
  # other locale than C, or where it could ask questions.
  create_executable id <<<'echo 1000'
  create_executable sudo <<'EOF'
exec env -i PATH="$PATH" HOME="$HOME" TEST_DIR="$TEST_DIR" "$@"
EOF
  create_executable dpkg-query <<'EOF'
echo "$*" >>"$TEST_DIR/dpkg-query.calls"
! grep -qxF -- "${!#}" "$TEST_DIR/not-installed" 2>/dev/null || exit 1
echo 'install ok installed'
EOF
  echo i386 >"$TEST_DIR/foreign-architectures"
  create_executable dpkg <<'EOF'
echo "$*" >>"$TEST_DIR/dpkg.calls"
case $1 in
  --print-foreign-architectures) cat "$TEST_DIR/foreign-architectures" ;;
  --add-architecture) echo "$2" >>"$TEST_DIR/foreign-architectures" ;;
esac
EOF
  create_executable apt-get <<'EOF'
echo "$*" >>"$TEST_DIR/apt-get.calls"
if [ "${LC_ALL-}" != C ] || [ "${DEBIAN_FRONTEND-}" != noninteractive ]; then
  echo "E: run with LC_ALL=${LC_ALL-} DEBIAN_FRONTEND=${DEBIAN_FRONTEND-}" >&2
  exit 100
fi
echo "Reading package lists..."
while [ $# -gt 0 ] && [ "$1" != update ] && [ "$1" != --no-install-recommends ]; do shift; done
held=$(cat "$TEST_DIR/list-lock-held" 2>/dev/null || echo 0)
if [ "$1" = update ] && [ "$held" -gt 0 ]; then
  echo $((held - 1)) >"$TEST_DIR/list-lock-held"
  cat >&2 <<'APT'
E: Could not get lock /var/lib/apt/lists/lock. It is held by process 812 (apt-get)
E: Unable to lock directory /var/lib/apt/lists/
APT
  exit 100
fi
if [ "$1" = update ]; then
  failures=$(cat "$TEST_DIR/update-failures" 2>/dev/null || echo 0)
  [ "$failures" -gt 0 ] || exit 0
  echo $((failures - 1)) >"$TEST_DIR/update-failures"
  cat >&2 <<'APT'
E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 192.0.2.1 80]
   Hashes of expected file:
    - SHA256:2c1b5e4f
E: Some index files failed to download. They have been ignored, or old ones used instead.
APT
  exit 100
fi
shift
for package; do
  grep -qxF -- "$package" "$TEST_DIR/refused" 2>/dev/null || continue
  cat <<APT
The following packages have unmet dependencies:
 $package : Depends: ${package%%:*}-data (= 1.0) but it is not going to be installed
E: Unable to correct problems, you have held broken packages.
APT
  exit 100
done
for package; do
  grep -vxF -- "$package" "$TEST_DIR/not-installed" >"$TEST_DIR/still-not-installed" || true
  mv "$TEST_DIR/still-not-installed" "$TEST_DIR/not-installed"
done
EOF
  # Configuring makes the tree; building leaves what the commands take from it.
  create_executable cmake <<'EOF'
echo "$*" >>"$TEST_DIR/cmake.calls"
case $1 in
  -S) mkdir -p "$4" ;;
  --build) mkdir -p "$2/standins" "$2/bench"
           touch "$2/lexiferry.exe" "$2/standins/sgtool.exe" "$2/standins/KestrixPinyin2.ime" \
                 "$2/bench/lexiferry_bench.exe" ;;
esac
EOF
  create_executable i686-w64-mingw32-gcc-posix <<'EOF'
while [ "$1" != -o ]; do shift; done
echo 'a 32-bit Windows program' >"$2"
EOF
  local width
  for width in i686 x86_64; do
    create_executable "$width-w64-mingw32-g++-posix" <<<"echo '$width-w64-mingw32-g++-posix (GCC) 12-posix'"
  done
  # Ready for clients at once; ended by the command that started it.
  create_executable Xvfb <<'EOF'
echo "${1#:}" >&3
exec sleep 60 3>&-
EOF
  # CTest replays the output a real CTest wrote in this tree (record_ctest), if any.
  create_executable ctest <<'EOF'
echo "${PWD##*/} $* | answer: ${LEXIFERRY_RUNS_32BIT-unset}, why: ${LEXIFERRY_NO_32BIT_WHY-unset}, peer unrunnable: ${LEXIFERRY_TEST_PEER_UNRUNNABLE-unset}" >>"$TEST_DIR/ctest.calls"
recorded=$TEST_DIR/ctest/${PWD##*/}
[ -d "$recorded" ] || { echo "100% tests passed, 0 tests failed out of 2"; exit 0; }
mkdir -p Testing/Temporary
cp "$recorded/LastTest.log" Testing/Temporary/LastTest.log
cat "$recorded/output.txt"
exit "$(cat "$recorded/status")"
EOF

  create_script "$TEST_DIR/wine/wineserver64" <<<'exit 0'
  create_script "$TEST_DIR/wine/wine" <<<'echo "wine-8.0 (stand-in)"'
  create_script "$TEST_DIR/wine/wine64" <<EOF
echo "\$*" >>"$TEST_DIR/wine.calls"
case \$1 in
  --version) echo "wine-8.0 (stand-in)" ;;
  wineboot) mkdir -p "\$WINEPREFIX/drive_c/windows/system32" "\$WINEPREFIX/drive_c/windows/syswow64" ;;
  */runs32.exe) exec "$TEST_DIR/probe" ;;
  */lexiferry_bench.exe) cat "$FIXTURES/bench-table.md" ;;
esac
EOF
  # Our 32-bit probe as a Windows program writes it.
  create_script "$TEST_DIR/probe" <<<"printf '32-bit programs run\\r\\n'"
}

# refuse_32bit_programs: the 32-bit loader becomes a file the kernel refuses to execute, as
# on a machine that runs no 32-bit program.
refuse_32bit_programs() {
  printf '\177ELF\011\011\011\000\000\000\000\000\000\000\000\000' >"$TEST_DIR/wine/wine"
}

# record_ctest TREE FIXTURE: CTest in TREE (build or build-x64) replays the recorded FIXTURE.
record_ctest() {
  mkdir -p "$TEST_DIR/ctest"
  cp -R "$FIXTURES/ctest/$2" "$TEST_DIR/ctest/$1"
}

# run_command COMMAND [ARGS...]: runs one of the copy's commands (tools/test.sh, say) as bats'
# run does, with nounset and pipefail on from its first line and in every bash it starts.
run_command() {
  local command=$1
  shift
  run env SHELLOPTS=nounset:pipefail "$ROOT/$command" "$@" 3>&-
}

# run_command_with [VARIABLE=VALUE...] -- COMMAND: run_command in a caller's environment
# holding VARIABLES, with the stand-ins' records of an earlier command removed.
run_command_with() {
  local variables=()
  while [ "$1" != -- ]; do variables+=("$1"); shift; done
  shift
  rm -f "$TEST_DIR"/*.calls
  if [ ${#variables[@]} -gt 0 ]; then export "${variables[@]}"; fi
  run_command "$@"
  if [ ${#variables[@]} -gt 0 ]; then unset "${variables[@]%%=*}"; fi
}
