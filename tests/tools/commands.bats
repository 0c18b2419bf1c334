#!/usr/bin/env bats
# The commands that run Wine (tools/test.sh, tools/demo.sh, tools/bench.sh) take the way the
# machine's answer to "do 32-bit programs run?" decides, under nounset, and stop with the
# reason where no honest answer comes; on a machine of stand-ins, so no Wine or build runs.

load test_helper

# The expect_* functions below take the output to start with $installing: what
# tools/install-deps.sh said (nothing, where everything is installed).
installing=""
# What the test command says of the second compiler, on every machine.
second_compiler="== The program's code, compiled by a second compiler: clang, 32-bit MinGW-w64, -Wpedantic
Passed: clang."

# expect_test_sh WHY: the test command ran every test, on the 32-bit program (WHY empty) or on
# the 64-bit one only, its tests told why.
expect_test_sh() {
  local why=$1 only64="The 32-bit program that ships is built and read here, not run: $1.\
 Every test runs on the 64-bit program instead, with the stand-in IME in System32 only."
  assert_status 0
  if [ -z "$why" ]; then
    assert_output "$installing== The scripts: shellcheck and their own tests
The scripts are sound.
$second_compiler
== The 32-bit program: every test
100% tests passed, 0 tests failed out of 2
== The 64-bit program: the transfer, the registry views, the sync and the DLL search
100% tests passed, 0 tests failed out of 2
== The release: the same bytes from the same source
Reproducible."
    # Every test on the 32-bit program, some on the 64-bit one; both told the answer.
    [[ $(cat "$TEST_DIR/ctest.calls") == "build --output-on-failure -j2 --repeat until-pass:2 \
| answer: yes, why: , peer unrunnable: unset
build-x64 --output-on-failure -j2 --repeat until-pass:2 -R "*" \
| answer: yes, why: , peer unrunnable: unset" ]]
  else
    assert_output "$installing== The scripts: shellcheck and their own tests
The scripts are sound.
$second_compiler
$only64
== The 32-bit program, read, not run: it imports only what Windows 7 SP1 has
Passed: its import table
== The 64-bit program: every test
100% tests passed, 0 tests failed out of 2
== The release: the same bytes from the same source
Reproducible.
$only64"
    [ "$(cat "$TEST_DIR/ctest.calls")" = "build-x64 --output-on-failure -j2 --repeat until-pass:2 | answer: no, why: $why, peer unrunnable: $why" ]
  fi
}

# expect_demo_sh WHY: the demonstration showed the 32-bit program (WHY empty) with the IME in
# both widths, or the 64-bit one with the IME in System32 only, saying why.
expect_demo_sh() {
  local windows=$BUILD/demo-prefix/drive_c/windows
  assert_status 0
  assert_output "$installing${1:+Showing the 64-bit Lexiferry: $1.
}Starting Lexiferry on display :5. Press 立即同步, then 确定 to close the window.
Lexiferry ended with exit code 0.
The stand-in Kestrix IME received nothing (no sync was made, or it failed)."
  [ -f "$windows/system32/KestrixPinyin2.ime" ]
  if [ -z "$1" ]; then
    grep -qx "$BUILD/lexiferry.exe" "$TEST_DIR/wine.calls"
    [ -f "$windows/syswow64/KestrixPinyin2.ime" ]
  else
    grep -qx "$BUILD-x64/lexiferry.exe" "$TEST_DIR/wine.calls"
    [ ! -e "$windows/syswow64/KestrixPinyin2.ime" ]
  fi
}

# section HEADING [FILE]: that section of FILE, by default the copy's docs/benchmarks.md.
section() {
  awk -v heading="$1" '/^## / { inside = ($0 == heading) } inside' "${2:-$ROOT/docs/benchmarks.md}"
}

# expect_bench_sh WHY: the benchmark measured the 32-bit program (WHY empty) or the 64-bit one,
# saying why, and replaced that width's section of docs/benchmarks.md only: the other is as it
# was in $TEST_DIR/benchmarks-before.md.
expect_bench_sh() {
  local width=32-bit compiler=i686 heading="## The 32-bit program, the one that ships"
  local other="## The 64-bit program"
  if [ -n "$1" ]; then
    width=64-bit compiler=x86_64 heading=$other other="## The 32-bit program, the one that ships"
  fi
  assert_status 0
  assert_output "$installing${1:+Measuring the 64-bit program: $1.
}Running the benchmark of the $width program (about a minute)...
Wrote the $width section of $ROOT/docs/benchmarks.md
$(tr -d '\r' <"$FIXTURES/bench-table.md")"
  [ "$(grep '^## ' "$ROOT/docs/benchmarks.md")" = "## The 32-bit program, the one that ships
## The 64-bit program
## The columns" ]
  [ "$(section "$other")" = "$(section "$other" "$TEST_DIR/benchmarks-before.md")" ]
  section "$heading" | grep -q "; wine-8.0 (stand-in); $compiler-w64-mingw32-g++-posix (GCC) 12-posix, $width\.$"
  section "$heading" | grep -qxF "$(tr -d '\r' <"$FIXTURES/bench-table.md" | tail -n 1)"
  [ "$(section "$heading" | grep -c "^Measured on $(date -u +%Y-%m-%d) ")" -eq 1 ]
}

# cannot_tell REASON: the command stopped, its last line the reason it cannot tell whether
# 32-bit programs run, and ran no test, demonstration or benchmark.
cannot_tell() {
  assert_status 1
  [ "$(tail -n 1 <<<"$output")" = "Cannot tell whether this machine runs 32-bit programs: $1" ]
  [ ! -e "$TEST_DIR/ctest.calls" ]
  ! grep -q 'lexiferry\(_bench\)\{0,1\}\.exe$' "$TEST_DIR/wine.calls"
}

# each_command WHY [VARIABLE=VALUE...]: runs the three commands with the caller's VARIABLES
# and checks the way each took.
each_command() {
  local why=$1
  shift
  run_command_with "$@" -- tools/test.sh
  expect_test_sh "$why"
  DISPLAY=:5 run_command_with "$@" -- tools/demo.sh
  expect_demo_sh "$why"
  cp "$ROOT/docs/benchmarks.md" "$TEST_DIR/benchmarks-before.md"
  run_command_with "$@" -- tools/bench.sh
  expect_bench_sh "$why"
}

@test "where 32-bit programs run, each command takes the 32-bit way, whatever the caller's variables said" {
  stand_in_checkout
  each_command ""
  run_command_with LEXIFERRY_RUNS_32BIT=no "LEXIFERRY_NO_32BIT_WHY=left by the caller" \
    -- tools/test.sh
  expect_test_sh ""
}

@test "where the kernel refuses 32-bit programs, each command takes the 64-bit way and says why, whatever the caller's variables said" {
  stand_in_checkout
  refuse_32bit_programs
  each_command "this machine cannot run 32-bit programs (the kernel refuses Wine's 32-bit loader\
 $TEST_DIR/wine/wine: Exec format error)" LEXIFERRY_RUNS_32BIT=yes \
    "LEXIFERRY_NO_32BIT_WHY=left by the caller"
}

@test "LEXIFERRY_32BIT=no: each command takes the 64-bit way on a machine that runs both" {
  stand_in_checkout
  each_command "LEXIFERRY_32BIT=no forces the 64-bit-only way" LEXIFERRY_32BIT=no
}

@test "the test command stops where the scripts' check fails" {
  stand_in_checkout
  create_script "$ROOT/tools/check-scripts.sh" <<<'exit 1'
  run_command tools/test.sh
  assert_status 1
  [ ! -e "$TEST_DIR/cmake.calls" ] && [ ! -e "$TEST_DIR/ctest.calls" ]
}

@test "where Wine never starts the probe, each command tries three times and stops with the reason, whatever the caller's variables said" {
  stand_in_checkout
  create_script "$TEST_DIR/probe" <<'EOF'
echo "无法启动程序，或者没有为指定文件关联应用程序。 ShellExecuteEx 失败: 内部错误。" >&2
exit 1
EOF
  local command
  local -A prefixes=([test]=wineprefix [demo]=demo-prefix [bench]=bench-prefix)
  for command in test demo bench; do
    run_command_with LEXIFERRY_RUNS_32BIT=yes -- "tools/$command.sh"
    cannot_tell "the kernel runs Wine's 32-bit loader, but our 32-bit probe gave no answer under\
 Wine in 3 tries (the last ended with exit status 1; what it wrote is in\
 $BUILD/${prefixes[$command]}-probe)."
    [ "$(grep -c 'runs32\.exe$' "$TEST_DIR/wine.calls")" -eq 3 ]
  done
}

@test "a start of the probe that fails once is tried again; any other failure to get its answer stops the command with its reason" {
  stand_in_checkout
  create_script "$TEST_DIR/probe" <<EOF
[ -e "$TEST_DIR/probe-started" ] || { touch "$TEST_DIR/probe-started"; exit 1; }
printf '32-bit programs run\r\n'
EOF
  run_command tools/test.sh
  expect_test_sh ""
  [ "$(grep -c 'runs32\.exe$' "$TEST_DIR/wine.calls")" -eq 2 ]

  create_script "$TEST_DIR/probe" <<<'exit 0'
  run_command_with -- tools/test.sh
  cannot_tell "the kernel runs Wine's 32-bit loader, but our 32-bit probe gave no answer under\
 Wine in 3 tries (the last ended with exit status 0; what it wrote is in $BUILD/wineprefix-probe)."

  create_script "$TEST_DIR/probe" <<<'exec sleep 30'
  SECONDS=0
  run_command_with LEXIFERRY_PROBE_SECONDS=1 -- tools/test.sh
  cannot_tell "the kernel runs Wine's 32-bit loader, but our 32-bit probe gave no answer under\
 Wine in 3 tries (the last was stopped after 1 s; what it wrote is in $BUILD/wineprefix-probe)."
  [ "$SECONDS" -lt 10 ]

  create_executable i686-w64-mingw32-gcc-posix <<<'echo "runs32.c:1:10: fatal error: stdio.h: No such file or directory" >&2; exit 1'
  run_command_with -- tools/test.sh
  cannot_tell "the 32-bit probe does not compile: runs32.c:1:10: fatal error: stdio.h: No such file or directory"

  rm "$TEST_DIR/wine/wine"
  run_command_with -- tools/test.sh
  local last
  last=$(tail -n 1 <<<"$output")
  [[ $last == "Cannot tell whether this machine runs 32-bit programs: Wine's 32-bit loader $TEST_DIR/wine/wine does not start: "*": $TEST_DIR/wine/wine: No such file or directory" ]]
  cannot_tell "${last#*: }"
}

@test "a Wine service that holds the probe's output open does not hold the command" {
  stand_in_checkout
  create_script "$TEST_DIR/probe" <<EOF
printf '32-bit programs run\r\n'
sleep 30 3>&- &
echo \$! >>"$TEST_DIR/background.pids"
EOF
  SECONDS=0
  run_command tools/test.sh
  expect_test_sh ""
  [ "$SECONDS" -lt 15 ]
}

# apt_calls: what apt-get was asked, one call a line, without the options every call has.
apt_calls() {
  sed 's/^-o DPkg::Lock::Timeout=600 //' "$TEST_DIR/apt-get.calls"
}

@test "the install: apt runs in the C locale without questions, through sudo too; an update waits for another's list lock; one that fails is tried again, quietly; one that fails three times is named in one line and the install goes on; a refused install of what every way needs stops the command, naming it, with apt's reason" {
  stand_in_checkout
  run_command tools/install-deps.sh
  assert_status 0
  assert_output ""
  [ ! -e "$TEST_DIR/apt-get.calls" ]

  # Another update holds apt's list lock (a new machine's, at boot), and is waited for
  # without counting as a try: the lists are then updated, and the install goes on.
  printf '%s\n' zip git >"$TEST_DIR/not-installed"
  echo 4 >"$TEST_DIR/list-lock-held"
  echo 1 >"$TEST_DIR/update-failures"
  run_command_with -- tools/install-deps.sh
  assert_status 0
  assert_output "Installing: zip git"
  [ "$(apt_calls)" = "update -qq
update -qq
update -qq
update -qq
update -qq
update -qq
install -y -q --no-install-recommends zip git" ]

  echo unzip >"$TEST_DIR/not-installed"
  echo 3 >"$TEST_DIR/update-failures"
  run_command_with -- tools/install-deps.sh
  assert_status 0
  assert_output "Installing: unzip
The package lists could not all be updated in 3 tries:\
 http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz\
 (File has unexpected size (374820 != 376004). Mirror sync in progress?); going on with the\
 lists there are."
  [ "$(apt_calls)" = "update -qq
update -qq
update -qq
install -y -q --no-install-recommends unzip" ]

  # Nothing is installed, and so the 32-bit Wine is not tried, after the compilers fail.
  printf '%s\n' cmake g++-mingw-w64-i686-posix wine32:i386 >"$TEST_DIR/not-installed"
  echo cmake >"$TEST_DIR/refused"
  run_command_with -- tools/test.sh
  assert_status 100
  assert_output "Installing: cmake g++-mingw-w64-i686-posix wine32:i386
Could not install what every way of running needs (cmake g++-mingw-w64-i686-posix); apt-get says:
Reading package lists...
The following packages have unmet dependencies:
 cmake : Depends: cmake-data (= 1.0) but it is not going to be installed
E: Unable to correct problems, you have held broken packages."
  [ "$(apt_calls)" = "update -qq
install -y -q --no-install-recommends cmake g++-mingw-w64-i686-posix" ]
  [ ! -e "$TEST_DIR/cmake.calls" ]
}

@test "where the 32-bit Wine cannot be installed, each command takes the 64-bit way and says why, until a run installs it; where a 32-bit Wine is there but does not start, the command stops" {
  stand_in_checkout
  rm "$TEST_DIR/wine/wine"
  : >"$TEST_DIR/foreign-architectures"
  printf '%s\n' zip wine32:i386 >"$TEST_DIR/not-installed"
  echo wine32:i386 >"$TEST_DIR/refused"
  local refusal="Could not install the 32-bit Wine (wine32:i386), so the tests, the demonstration\
 and the benchmark take the 64-bit-only way; apt-get says:
Reading package lists...
The following packages have unmet dependencies:
 wine32:i386 : Depends: wine32-data (= 1.0) but it is not going to be installed
E: Unable to correct problems, you have held broken packages."
  run_command tools/install-deps.sh
  assert_status 0
  assert_output "Installing: zip wine32:i386
$refusal"
  # The architecture before the update that fetches its lists; the 32-bit Wine on its own,
  # after everything else.
  grep -qx -- '--add-architecture i386' "$TEST_DIR/dpkg.calls"
  [ "$(apt_calls)" = "update -qq
install -y -q --no-install-recommends zip
install -y -q --no-install-recommends wine32:i386" ]

  installing="Installing: wine32:i386
$refusal
"
  each_command "the 32-bit Wine could not be installed: Unable to correct problems, you have\
 held broken packages" LEXIFERRY_RUNS_32BIT=yes

  # The registry mends: the next run installs the 32-bit Wine, and the way is the 32-bit one.
  rm "$TEST_DIR/refused"
  create_script "$TEST_DIR/wine/wine" <<<'echo "wine-8.0 (stand-in)"'
  installing="Installing: wine32:i386
"
  run_command_with -- tools/test.sh
  expect_test_sh ""
  [ ! -e "$HOME/.local/state/lexiferry/wine32-not-installed" ]

  # A 32-bit Wine that is there, though not from Debian's package, and broken.
  echo wine32:i386 | tee "$TEST_DIR/not-installed" >"$TEST_DIR/refused"
  create_script "$TEST_DIR/wine/wine" <<<'echo "wine: could not load ntdll.so" >&2; exit 1'
  run_command_with -- tools/test.sh
  cannot_tell "Wine's 32-bit loader $TEST_DIR/wine/wine does not start: wine: could not load ntdll.so"
}
