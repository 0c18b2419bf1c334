#!/usr/bin/env bash
# Makes a release in dist/, the same bytes from the same commit: the 32-bit program that users
# take, alone and zipped with 说明.txt (the README's Chinese section as plain text), the 64-bit
# program under a name that says it is not the one to take, and SHA256SUMS for all of them.
# On a fresh Debian machine it first installs what is missing.   Usage: tools/release.sh
set -euo pipefail
export LEXIFERRY_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$LEXIFERRY_ROOT/tools/configure.sh"
dist=$LEXIFERRY_ROOT/dist
work=$LEXIFERRY_ROOT/build-release

"$LEXIFERRY_ROOT/tools/install-deps.sh" release

# The version's one home is the project line of CMakeLists.txt.
version=$(sed -n 's/^project(Lexiferry VERSION \([0-9.]*\).*/\1/p' "$LEXIFERRY_ROOT/CMakeLists.txt")
[ -n "$version" ] || { echo "No version in CMakeLists.txt" >&2; exit 1; }
if ! git -C "$LEXIFERRY_ROOT" diff --quiet HEAD -- 2>/dev/null; then
  echo "Warning: the work tree has uncommitted changes; this release is not the commit's." >&2
fi
# Every time in the zip is the commit's, so the zip too is the same from the same commit.
epoch=$(git -C "$LEXIFERRY_ROOT" log -1 --format=%ct 2>/dev/null || echo 315532800)

rm -rf "$work" "$dist"
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
cp "$stage/lexiferry.exe" "$dist/lexiferry.exe"
cp "$work/x64/lexiferry.exe" "$dist/lexiferry-$version-x64-developers-only.exe"
chmod 644 "$dist"/*
(cd "$dist" && LC_ALL=C ls | grep -vx SHA256SUMS | xargs -d '\n' sha256sum >SHA256SUMS)

echo "Release $version in $dist:"
(cd "$dist" && cat SHA256SUMS)
