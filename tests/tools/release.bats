#!/usr/bin/env bats
# tools/release.sh in a small committed copy of the project, with stand-ins for CMake, the
# compilers and dpkg: each build gives fixed program bytes in a second, with no Wine. git and
# zip are the real ones.

load test_helper

# release_tree DIR: the files a release reads, committed at a fixed time so that every tree
# made here gives the same commit and the same times in the zip.
release_tree() {
  local tree=$1
  mkdir -p "$tree/tools"
  cp "$LEXIFERRY_SOURCE"/{README.md,CMakeLists.txt,.gitignore} "$tree/"
  cp "$LEXIFERRY_SOURCE"/tools/{release,configure,install-deps}.sh "$tree/tools/"
  commit_all "$tree"
}

commit_all() {
  git -C "$1" -c init.defaultBranch=main init -q
  git -C "$1" add -A
  GIT_AUTHOR_NAME=Tester GIT_AUTHOR_EMAIL=tester@example.org \
    GIT_COMMITTER_NAME=Tester GIT_COMMITTER_EMAIL=tester@example.org \
    GIT_AUTHOR_DATE='2026-03-04T05:06:07Z' GIT_COMMITTER_DATE='2026-03-04T05:06:07Z' \
    git -C "$1" commit -q -m 'The release'
}

# The stand-ins write what the release reads of a real build: the compilers named in CMake's
# files, the headers in the objects' dependency lists, the link command, and a program whose
# bytes depend on the width alone. STANDIN_LINK_SLEEP makes the traced link (which runs after
# the zip is written) announce itself in $TEST_DIR/linking and sleep.
create_build_standins() {
  create_executable cmake <<'EOF'
set -euo pipefail
bin=$(dirname "$0")
if [ "$1" = --build ]; then
  tree=$2
  arch=$(sed -n 's|^CMAKE_CXX_COMPILER:FILEPATH=.*/\(.*\)-w64-mingw32-.*|\1|p' "$tree/CMakeCache.txt")
  mkdir -p "$tree/CMakeFiles/lexiferry.dir/app"
  echo "app/WinMain.cpp.obj: $bin/windows.h $bin/commctrl.h" \
    >"$tree/CMakeFiles/lexiferry.dir/app/WinMain.cpp.obj.d"
  echo "$bin/$arch-w64-mingw32-g++-posix -O2 -o lexiferry.exe app/WinMain.cpp.obj" \
    >"$tree/CMakeFiles/lexiferry.dir/link.txt"
  printf 'MZ stand-in %s program\n' "$arch" >"$tree/lexiferry.exe"
  exit
fi
while [ $# -gt 0 ]; do
  case $1 in
    -B) tree=$2; shift ;;
    -DCMAKE_TOOLCHAIN_FILE*=*) arch=${1##*mingw-w64-}; arch=${arch%.cmake} ;;
  esac
  shift
done
mkdir -p "$tree/CMakeFiles/3.25.1" "$bin/Modules/Platform"
cat >"$tree/CMakeCache.txt" <<CACHE
CMAKE_CXX_COMPILER:FILEPATH=$bin/$arch-w64-mingw32-g++-posix
CMAKE_COMMAND:INTERNAL=$bin/cmake
CMAKE_MAKE_PROGRAM:FILEPATH=$bin/make
CMAKE_ROOT:INTERNAL=$bin
CACHE
echo "set(CMAKE_C_COMPILER \"$bin/$arch-w64-mingw32-gcc-posix\")" \
  >"$tree/CMakeFiles/3.25.1/CMakeCCompiler.cmake"
echo "set(CMAKE_CXX_COMPILER \"$bin/$arch-w64-mingw32-g++-posix\")" \
  >"$tree/CMakeFiles/3.25.1/CMakeCXXCompiler.cmake"
echo "set(CMAKE_RC_COMPILER \"$arch-w64-mingw32-windres\")" \
  >"$tree/CMakeFiles/3.25.1/CMakeRCCompiler.cmake"
EOF
  local arch
  for arch in i686 x86_64; do
    create_executable "$arch-w64-mingw32-windres" </dev/null
    create_executable "$arch-w64-mingw32-g++-posix" <<'EOF'
bin=$(dirname "$0")
case $1 in -print-prog-name=*) echo "$bin/${1#*=}"; exit ;; esac
if [ -n "${STANDIN_LINK_SLEEP-}" ]; then
  touch "$bin/../linking"
  sleep "$STANDIN_LINK_SLEEP"
fi
echo "$bin/libstdc++.a"
EOF
  done
  # Every package is installed, at version 1.0; zip is zip's, every other file the compilers'.
  create_executable dpkg-query <<'EOF'
format=${2#-f=}
shift 2
for package; do
  line=${format//'${Package}'/$package}
  line=${line//'${Version}'/1.0}
  printf '%b' "${line//'${Status}'/install ok installed}"
done
EOF
  create_executable dpkg <<'EOF'
case $1 in
  --print-architecture) echo amd64 ;;
  -S) shift
      for file; do
        case $file in */zip) echo "zip: $file" ;; *) echo "mingw-w64-stand-in: $file" ;; esac
      done ;;
  *) exit 2 ;;
esac
EOF
}

@test "release refuses a changed work tree, says why even past 64 KiB of changes, and goes on with --allow-changes" {
  create_build_standins
  tree=$TEST_DIR/source
  release_tree "$tree"
  echo changed >>"$tree/README.md"

  run "$tree/tools/release.sh"
  [ "$status" -eq 1 ]
  [ "${lines[0]}" = " M README.md" ]
  [ "${lines[1]}" = "release: the work tree has changes or untracked files (1, listed above); commit or remove them, or give --allow-changes for a release that is not the commit's." ]
  [ ! -e "$tree/dist" ]

  # An untracked virtual environment: far more of `git status` than a pipe holds.
  mkdir "$tree/venv"
  (cd "$tree/venv" && seq -f 'site-packages-module-with-a-long-enough-name-%04g.py' 3000 | xargs touch)
  run "$tree/tools/release.sh"
  [ "$status" -eq 1 ]
  [ "${#lines[@]}" -eq 22 ]
  [ "${lines[20]}" = "... and 2981 more" ]
  [ "${lines[21]}" = "release: the work tree has changes or untracked files (3001, listed above); commit or remove them, or give --allow-changes for a release that is not the commit's." ]

  run "$tree/tools/release.sh" --allow-changes
  [ "$status" -eq 0 ]
  grep -qx "with changes in the work tree that the commit does not hold" "$tree/dist/BUILDINFO"
}

@test "release refuses without git, and in a folder that is not the top of its own work tree" {
  create_build_standins
  # Every command of the system but git.
  mkdir "$TEST_DIR/no-git"
  ln -s /usr/bin/* /bin/* "$TEST_DIR/no-git/" 2>/dev/null || true
  rm -f "$TEST_DIR/no-git/git"
  release_tree "$TEST_DIR/source"
  PATH=$TEST_DIR/bin:$TEST_DIR/no-git run "$TEST_DIR/source/tools/release.sh"
  [ "$status" -eq 1 ]
  [ "$output" = "release: git is needed: the zip's times and BUILDINFO come from the commit." ]

  # A source archive unpacked inside some other repository, and committed there.
  mkdir -p "$TEST_DIR/other/unpacked"
  cp -r "$TEST_DIR/source/." "$TEST_DIR/other/unpacked/"
  rm -rf "$TEST_DIR/other/unpacked/.git"
  commit_all "$TEST_DIR/other"
  run "$TEST_DIR/other/unpacked/tools/release.sh"
  [ "$status" -eq 1 ]
  [ "$output" = "release: $TEST_DIR/other/unpacked is not the top of a git work tree ($TEST_DIR/other is)." ]
  [ ! -e "$TEST_DIR/other/unpacked/dist" ]
}

@test "an interrupted or killed release leaves no dist/, not even the one from before" {
  create_build_standins
  tree=$TEST_DIR/source
  release_tree "$tree"
  run "$tree/tools/release.sh"
  [ "$status" -eq 0 ]
  [ -f "$tree/dist/SHA256SUMS" ]

  local signal number release
  # Job control: the release gets a process group of its own, as a terminal's foreground job
  # or a CI job's has, and the signal goes to the whole group, stand-ins and all.
  set -m
  for signal in INT TERM HUP KILL; do
    rm -f "$TEST_DIR/linking"
    STANDIN_LINK_SLEEP=30 "$tree/tools/release.sh" >"$TEST_DIR/out" 2>&1 &
    release=$!
    for _ in $(seq 100); do [ -e "$TEST_DIR/linking" ] && break; sleep 0.1; done
    [ -e "$TEST_DIR/linking" ]
    kill -"$signal" -- -"$release"
    number=0
    wait "$release" || number=$?
    [ "$number" -eq $((128 + $(kill -l "$signal"))) ]
    [ ! -e "$tree/dist" ]
    # KILL leaves no time to clean up: the unfinished release stays, but not where dist/ is.
    [ "$signal" = KILL ] \
      || [ -z "$(find "$tree" -name '*.zip' -o -name SHA256SUMS -o -name BUILDINFO)" ]
  done
  set +m
}

@test "a release is the same bytes under every locale and time zone, its readme plain UTF-8 text with CR LF" {
  create_build_standins
  # A folder with a space and Chinese in its name, read in each locale's own encoding.
  tree="$TEST_DIR/源 码"
  release_tree "$tree"
  local locale zone
  for locale in C C.UTF-8 zh_CN.UTF-8 zh_CN.GB18030 zh_CN.GBK en_GB.ISO-8859-15; do
    # locale -a writes zh_CN.gb18030 for zh_CN.GB18030, C.utf8 for C.UTF-8.
    locale -a | tr -d -- '-' | grep -qix "$(tr -d -- - <<<"$locale")" \
      || { echo "locale $locale is missing (Debian's locales-all has it)"; false; }
    zone=$(case $locale in C) echo UTC ;; zh*) echo Asia/Shanghai ;; *) echo America/New_York ;; esac)
    LANG=$locale LC_ALL=$locale TZ=$zone run "$tree/tools/release.sh"
    [ "$status" -eq 0 ]
    mv "$tree/dist" "$TEST_DIR/dist $locale"
    diff -r "$TEST_DIR/dist C" "$TEST_DIR/dist $locale"
  done

  zip=$(echo "$TEST_DIR/dist C"/lexiferry-*-windows.zip)
  [ "$(unzip -Z1 "$zip")" = "lexiferry.exe"$'\n'"README.txt" ]
  unzip -p "$zip" README.txt >"$TEST_DIR/README.txt"
  [ "$(head -c 3 "$TEST_DIR/README.txt" | od -An -tx1)" = " ef bb bf" ]
  [ "$(grep -c $'\r$' "$TEST_DIR/README.txt")" -eq "$(wc -l <"$TEST_DIR/README.txt")" ]
  # Bytes, whatever the caller's locale: a GBK locale would take a backtick for half a character.
  LC_ALL=C grep -q 简体中文 "$TEST_DIR/README.txt"
  LC_ALL=C grep -q 'README\.txt' "$TEST_DIR/README.txt"
  [ "$(LC_ALL=C grep -c '`' "$TEST_DIR/README.txt")" -eq 0 ]
}
