#!/usr/bin/env bats
# tools/check-scripts.sh gives shellcheck every script git knows of, new ones included, then
# runs the scripts' tests, and fails if either fails.

load test_helper

@test "every script git knows of goes to shellcheck, then the tests run; either failing fails the check" {
  local repo=$TEST_DIR/repo
  mkdir -p "$repo/tools" "$repo/cmake" "$repo/tests/tools" "$repo/.ci" "$repo/res" "$repo/build"
  cp "$LEXIFERRY_SOURCE/tools/check-scripts.sh" "$repo/tools/"
  cd "$repo"
  git init -q .
  echo '/build/' >.gitignore
  echo 'echo built' >tools/build.sh
  echo 'lexiferry_wine_env() { :; }' >cmake/wine-env.sh
  echo 'load test_helper' >tests/tools/commands.bats
  echo 'setup() { :; }' >tests/tools/test_helper.bash
  printf '#!/usr/bin/env bash\nexec bash tools/test.sh\n' >.ci/run
  printf '#!/bin/sh -e\necho plain\n' >res/plain
  printf '#!/usr/bin/env python3\nprint()\n' >res/names.py
  printf '\211PNG\r\n\032\n\000\000' >res/picture.png
  echo '# Lexiferry' >README.md
  echo 'gone' >tools/gone.sh
  git add .
  rm tools/gone.sh
  echo 'echo new' >tools/new.sh
  echo 'echo ignored' >build/generated.sh

  create_executable shellcheck <<'EOF'
printf '%s\n' "$@" >"$TEST_DIR/shellcheck.calls"
exit "$(cat "$TEST_DIR/shellcheck.status" 2>/dev/null || echo 0)"
EOF
  create_executable bats <<'EOF'
echo "$*" >"$TEST_DIR/bats.calls"
exit "$(cat "$TEST_DIR/bats.status" 2>/dev/null || echo 0)"
EOF

  run tools/check-scripts.sh
  assert_status 0
  [ "$(sort "$TEST_DIR/shellcheck.calls")" = ".ci/run
cmake/wine-env.sh
res/plain
tests/tools/commands.bats
tests/tools/test_helper.bash
tools/build.sh
tools/check-scripts.sh
tools/new.sh" ]
  [ "$(cat "$TEST_DIR/bats.calls")" = "tests/tools" ]

  echo 1 >"$TEST_DIR/shellcheck.status"
  rm "$TEST_DIR/bats.calls"
  run tools/check-scripts.sh
  assert_status 1
  [ -f "$TEST_DIR/bats.calls" ]

  echo 0 >"$TEST_DIR/shellcheck.status"
  echo 1 >"$TEST_DIR/bats.status"
  run tools/check-scripts.sh
  assert_status 1
}
