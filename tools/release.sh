#!/usr/bin/env bash
# Makes a release in dist/, the same bytes from the same commit with the same tools: the 32-bit
# program that users take, alone and zipped with 说明.txt (the README's Chinese section as plain
# text), the 64-bit program under a name that says it is not the one to take, BUILDINFO (the
# Debian release and the exact version of every package whose files the build read), and
# SHA256SUMS for all of them. On a fresh Debian machine it first installs what is missing.
#   Usage: tools/release.sh [--allow-changes]
#   --allow-changes  go on although the work tree has changes or untracked files; BUILDINFO
#                    then says that the release is not the commit's
set -euo pipefail
LEXIFERRY_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export LEXIFERRY_ROOT
# shellcheck disable=SC1091  # configure.sh is checked on its own
source "$LEXIFERRY_ROOT/tools/configure.sh"
dist=$LEXIFERRY_ROOT/dist
work=$LEXIFERRY_ROOT/build-release

fail() {
  echo "release: $*" >&2
  exit 1
}
allow_changes=
case "$#:${1-}" in
  0:) ;;
  1:--allow-changes) allow_changes=yes ;;
  *) echo "Usage: tools/release.sh [--allow-changes]" >&2; exit 2 ;;
esac

# The commit names the release's source and gives every time in the zip: without it the zip
# would differ from the published one, so there is no release (no fallback time).
in_git() { git -C "$LEXIFERRY_ROOT" "$@"; }
command -v git >/dev/null || fail "git is needed: the zip's times and BUILDINFO come from the commit."
top=$(in_git rev-parse --show-toplevel 2>&1) || fail "git cannot read $LEXIFERRY_ROOT: $top"
# A source archive unpacked inside some other repository must not take that one's commit.
[ "$top" -ef "$LEXIFERRY_ROOT" ] || fail "$LEXIFERRY_ROOT is not the top of a git work tree ($top is)."
commit=$(in_git rev-parse --verify 'HEAD^{commit}' 2>&1) || fail "no commit: $commit"
epoch=$(in_git log -1 --format=%ct "$commit" 2>&1) || fail "no time of commit $commit: $epoch"
# A zip cannot hold a time before 1980.
if ! [[ $epoch =~ ^[0-9]+$ ]] || ((epoch < 315532800)); then
  fail "unusable time of commit $commit: $epoch"
fi
changes=$(in_git status --porcelain --untracked-files=all 2>&1) || fail "git status: $changes"
if [ -n "$changes" ]; then
  echo "$changes" | head -n 20 >&2
  [ -n "$allow_changes" ] \
    || fail "the work tree has changes or untracked files (above); commit or remove them, or" \
            "give --allow-changes for a release that is not the commit's."
  echo "Warning: the work tree has changes; this release is not the commit's." >&2
fi

"$LEXIFERRY_ROOT/tools/install-deps.sh" release

# The version's one home is the project line of CMakeLists.txt.
version=$(sed -n 's/^project(Lexiferry VERSION \([0-9.]*\).*/\1/p' "$LEXIFERRY_ROOT/CMakeLists.txt")
[ -n "$version" ] || fail "no version in CMakeLists.txt"

rm -rf "$work" "$dist"
# Half a dist/ (a zip with no SHA256SUMS, say) must not be taken for a release.
# shellcheck disable=SC2154  # status is assigned in the trap's own text
trap 'status=$?; [ "$status" -eq 0 ] || rm -rf "$dist"' EXIT
lexiferry_build_release "$work/x86" i686
lexiferry_build_release "$work/x64" x86_64

stage=$work/zip
mkdir -p "$stage" "$dist"
cp "$work/x86/lexiferry.exe" "$stage/lexiferry.exe"
# Plain text for Notepad on every Windows: UTF-8 with its mark, CR LF, no Markdown marks.
{
  printf '\xef\xbb\xbfLexiferry %s\n' "$version"
  sed -n '/^## 简体中文说明$/,/^## English$/p' "$LEXIFERRY_ROOT/README.md" | sed -e '1d;$d' \
    -e 's/^#\{1,6\} //' -e 's/\*\*//g' -e 's/`//g' -e 's/\[\([^]]*\)\]([^)]*)/\1/g' \
    -e "s/<版本>/$version/g"
} | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}' | sed 's/$/\r/' >"$stage/说明.txt"
chmod 644 "$stage"/*
touch -d "@$epoch" "$stage"/*

zip=lexiferry-$version-windows.zip
# -X: no extra fields (owner, Unix times); -D: no folder entries; the names in a fixed order;
# neither the time zone nor the locale may change the stored times or names.
(cd "$stage" && LC_ALL=C.UTF-8 TZ=UTC zip -X -D -q -9 -UN=UTF8 "$dist/$zip" lexiferry.exe 说明.txt)
# Windows 7's zip folder ignores the UTF-8 flag and decodes names in the OEM code page: 说明.txt
# is stored in code page 936 with its exact text in a Unicode path field (see zip-names.py).
"$LEXIFERRY_ROOT/tools/zip-names.py" rewrite "$dist/$zip"
stored=$("$LEXIFERRY_ROOT/tools/zip-names.py" show "$dist/$zip") || fail "the zip does not read back"
intended='6c 65 78 69 66 65 72 72 79 2e 65 78 65 | UTF-8 flag clear | no extra field
cb b5 c3 f7 2e 74 78 74 | UTF-8 flag clear | Unicode path 说明.txt (version 1, CRC-32 of the stored name matches)'
[ "$stored" = "$intended" ] || fail "the zip's names are not as intended. Stored:
$stored
Intended:
$intended"

cp "$stage/lexiferry.exe" "$dist/lexiferry.exe"
cp "$work/x64/lexiferry.exe" "$dist/lexiferry-$version-x64-developers-only.exe"

# used_files TREE: every file outside the source and the build tree that building TREE read
# (the programs run, the headers included, the libraries and objects linked), one a line.
used_files() {
  local tree=$1 cxx rc line headers
  cxx=$(sed -n 's/^set(CMAKE_CXX_COMPILER "\(.*\)")$/\1/p' "$tree"/CMakeFiles/*/CMakeCXXCompiler.cmake)
  rc=$(command -v "$(sed -n 's/^set(CMAKE_RC_COMPILER "\(.*\)")$/\1/p' \
         "$tree"/CMakeFiles/*/CMakeRCCompiler.cmake)")
  { [ -x "$cxx" ] && [ -x "$rc" ]; } || fail "no compilers named in $tree"
  sed -n 's/^set(CMAKE_\(C_COMPILER\|AR\|RANLIB\) "\(\/.*\)")$/\2/p' \
    "$tree"/CMakeFiles/*/CMakeCCompiler.cmake "$tree"/CMakeFiles/*/CMakeCXXCompiler.cmake
  echo "$cxx"
  echo "$rc"
  # windres preprocesses with the target's plain gcc, whichever variant that names.
  echo "$(dirname "$rc")/$(basename "$rc" | sed 's/windres$/gcc/')"
  for program in cc1 cc1plus collect2 as ld; do "$cxx" -print-prog-name=$program; done
  sed -n 's/^\(CMAKE_COMMAND:INTERNAL\|CMAKE_MAKE_PROGRAM:FILEPATH\)=//p' "$tree/CMakeCache.txt"
  echo "$(sed -n 's/^CMAKE_ROOT:INTERNAL=//p' "$tree/CMakeCache.txt")/Modules/Platform/Windows-GNU.cmake"
  # The compiler's own list of the headers each object included; "\ " is a space in a name.
  headers=$(find "$tree" -name '*.obj.d' -exec cat {} + | sed 's/\\ /\x01/g' | tr '\\ ' '\n' \
              | tr '\001' ' ' | grep '^/')
  [ -n "$headers" ] || fail "no lists of included headers in $tree"
  echo "$headers"
  # The link once more, to a scratch file, with the linker naming every file it opens.
  line=$(tail -n 1 "$tree/CMakeFiles/lexiferry.dir/link.txt")
  [[ $line == *" -o lexiferry.exe "* ]] || fail "unexpected link command in $tree: $line"
  (cd "$tree" && eval "$line -Wl,--trace -o CMakeFiles/traced-link.exe") | grep '^/'
}

# BUILDINFO: the same bytes from the same commit with the same tools, so no date, no path, no
# host name. A file no package owns would make the record incomplete: no release then.
{
  used_files "$work/x86"
  used_files "$work/x64"
  command -v zip
  echo /usr/bin/python3  # zip-names.py's interpreter
} | grep -v -F "$LEXIFERRY_ROOT/" | xargs -d '\n' readlink -f | LC_ALL=C sort -u >"$work/used-files"
owners=$(xargs -d '\n' dpkg -S <"$work/used-files" 2>&1) \
  || fail "the build used files that no Debian package owns:
$(grep -v -e '^diversion ' -e ': /' <<<"$owners")"
packages=$(grep -v '^diversion ' <<<"$owners" | sed 's/: \/.*//' | tr ',' '\n' | tr -d ' ' \
             | LC_ALL=C sort -u)
{ [ -r /etc/debian_version ] && [ -r /etc/os-release ]; } || fail "not a Debian system"
{
  echo "Lexiferry $version, made by tools/release.sh from commit $commit"
  [ -z "$changes" ] || echo "with changes in the work tree that the commit does not hold"
  # shellcheck source=/dev/null  # the system's own description, not a script of ours
  echo "Debian $(cat /etc/debian_version) ($(. /etc/os-release && echo "$PRETTY_NAME"))," \
       "$(dpkg --print-architecture)"
  echo "The Debian packages whose files the build used, with their exact versions:"
  # shellcheck disable=SC2016  # dpkg-query's own fields, not the shell's
  xargs dpkg-query -W -f='${Package} ${Version}\n' <<<"$packages" | LC_ALL=C sort -u
} >"$dist/BUILDINFO"

chmod 644 "$dist"/*
# shellcheck disable=SC2010,SC2094  # our own names in C order; SHA256SUMS is not in its own list
(cd "$dist" && LC_ALL=C ls | grep -vx SHA256SUMS | xargs -d '\n' sha256sum >SHA256SUMS)

echo "Release $version in $dist:"
(cd "$dist" && cat SHA256SUMS BUILDINFO)
