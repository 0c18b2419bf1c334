#!/usr/bin/env bash
# Builds the 32-bit Release program twice, as a release does, in two folders and at two
# different times, and fails on any byte that differs, naming the first one and its section.
# With --compare it compares two programs built elsewhere (yours and a published one, say).
#   Usage: tools/check-reproducible.sh WORK_DIR
#          tools/check-reproducible.sh --compare FILE FILE
set -euo pipefail
LEXIFERRY_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export LEXIFERRY_ROOT

# section_of FILE OFFSET: where in the program a byte lies (OFFSET counts from 0).
section_of() {
  local file=$1 at=$2 tool listing index name size start _ first='' last=''
  for tool in i686-w64-mingw32-objdump x86_64-w64-mingw32-objdump; do
    listing=$(LC_ALL=C "$tool" -h "$file" 2>/dev/null) && break
  done || { echo "in a file objdump cannot read"; return; }
  # objdump -h: index, name, size, VMA, LMA, file offset (hexadecimal).
  while read -r index name size _ _ start _; do
    [[ $index =~ ^[0-9]+$ ]] || continue
    ((0x$start != 0)) || continue  # .bss has no bytes in the file
    if ((at >= 0x$start && at < 0x$start + 0x$size)); then echo "in section $name"; return; fi
    if [ -z "$first" ] || ((0x$start < first)); then first=$((0x$start)); fi
    if ((0x$start <= at)) && { [ -z "$last" ] || ((0x$start > ${last%% *})); }; then
      last="$((0x$start)) $name"
    fi
  done <<<"$listing"
  if [ -z "$first" ] || ((at < first)); then
    echo "in the headers"
  else
    echo "after the contents of section ${last#* } (its padding, or data after the last section)"
  fi
}

# compare A B: says whether A and B are the same bytes; if not, where they first differ.
compare() {
  local a=$1 b=$2 size_a size_b offset count
  size_a=$(stat -c %s "$a")
  size_b=$(stat -c %s "$b")
  if cmp -s "$a" "$b"; then
    echo "Reproducible: the two builds of $(basename "$a") are the same $size_a bytes."
    return 0
  fi
  # cmp -l gives one line of numbers for each differing byte, the same in every locale; the
  # rest of what cmp says is translated ("第 N 字节" under zh_CN), so none of it is read.
  read -r offset count < <(LC_ALL=C cmp -l -- "$a" "$b" 2>/dev/null \
                             | awk 'NR == 1 { first = $1 } END { print first + 0, NR }')
  if ((offset == 0)); then  # equal as far as the shorter one goes
    offset=$(((size_a < size_b ? size_a : size_b) + 1))
  fi
  count=$((count + (size_a > size_b ? size_a - size_b : size_b - size_a)))
  printf 'NOT reproducible: %s and %s first differ at byte %d (file offset 0x%x), %s; ' \
    "$a" "$b" "$offset" $((offset - 1)) "$(section_of "$a" $((offset - 1)))" >&2
  printf '%d bytes differ in all (sizes %d and %d).\n' "$count" "$size_a" "$size_b" >&2
  return 1
}

if [ "${1-}" = --compare ]; then
  if [ $# -ne 3 ] || [ ! -f "$2" ] || [ ! -f "$3" ]; then
    echo "usage: tools/check-reproducible.sh --compare FILE FILE" >&2
    exit 2
  fi
  compare "$2" "$3"
  exit
fi

# shellcheck disable=SC1091  # configure.sh is checked on its own
source "$LEXIFERRY_ROOT/tools/configure.sh"
work=${1:?usage: tools/check-reproducible.sh WORK_DIR}
first=$work/first
second=$work/second-in-a-longer-folder
rm -rf "$first" "$second"
lexiferry_build_release "$first" i686
sleep 1  # a time stamp in whole seconds would differ even between two quick builds
TZ=Asia/Shanghai lexiferry_build_release "$second" i686
compare "$first/lexiferry.exe" "$second/lexiferry.exe"
