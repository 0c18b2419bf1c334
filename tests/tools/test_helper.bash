# Loaded by every script test: each test gets a folder of its own, a HOME inside it, a PATH
# that starts with a folder of stand-in commands, and none of the variables the scripts read
# from their caller, so the caller's environment never decides a test.

LEXIFERRY_SOURCE=$(cd "$BATS_TEST_DIRNAME/../.." && pwd)

setup() {
  TEST_DIR=$BATS_TEST_TMPDIR/t
  mkdir -p "$TEST_DIR/home" "$TEST_DIR/bin"
  export HOME=$TEST_DIR/home
  export PATH=$TEST_DIR/bin:/usr/local/bin:/usr/bin:/bin
  local name
  for name in $(compgen -e | grep -E '^(LEXIFERRY_|WINE|DISPLAY$|CI$)'); do unset "$name"; done
}

# create_executable NAME: a stand-in command in the test's PATH, its body read from standard
# input (a heredoc), run by bash.
create_executable() {
  local file=$TEST_DIR/bin/$1
  { echo '#!/usr/bin/env bash'; cat; } >"$file"
  chmod +x "$file"
}
