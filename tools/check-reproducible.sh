#!/usr/bin/env bash
# Builds the 32-bit Release program twice, as a release does, in two folders and at two
# different times, and fails on any byte that differs, naming the first one and its section.
#   Usage: tools/check-reproducible.sh WORK_DIR
set -euo pipefail
export LEXIFERRY_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$LEXIFERRY_ROOT/tools/configure.sh"
work=${1:?usage: tools/check-reproducible.sh WORK_DIR}

first=$work/first
second=$work/second-in-a-longer-folder
rm -rf "$first" "$second"
lexiferry_build_release "$first" i686
sleep 1  # a time stamp in whole seconds would differ even between two quick builds
TZ=Asia/Shanghai lexiferry_build_release "$second" i686

a=$first/lexiferry.exe
b=$second/lexiferry.exe
if cmp -s "$a" "$b"; then
  echo "Reproducible: two builds of lexiferry.exe are the same $(stat -c %s "$a") bytes."
  exit 0
fi

difference=$(cmp "$a" "$b" 2>&1 | head -n 1 || true)
offset=$(cmp "$a" "$b" 2>/dev/null | sed -n 's/.* byte \([0-9]*\),.*/\1/p' || true)
section=
if [ -n "$offset" ]; then
  # objdump -h: index, name, size, VMA, LMA, file offset (hexadecimal); cmp counts from 1.
  at=$((offset - 1))
  while read -r index name size _ _ start _; do
    [[ $index =~ ^[0-9]+$ ]] && ((0x$start != 0)) || continue  # .bss has no bytes in the file
    if ((at >= 0x$start && at < 0x$start + 0x$size)); then section="in section $name"; break; fi
  done < <(i686-w64-mingw32-objdump -h "$a")
fi
count=$(cmp -l "$a" "$b" 2>/dev/null | wc -l || true)
echo "NOT reproducible: $difference (${section:-in the headers}); $count bytes differ in all." >&2
exit 1
