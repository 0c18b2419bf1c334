#!/usr/bin/env bats
# tools/check-reproducible.sh --compare on a tiny real PE program (objdump reads its sections)
# and a copy of it with one byte changed.

load test_helper

setup_file() {
  printf '%s\n' 'const char marker[] = "READ-ONLY-DATA-MARKER";' \
    'int main(void) { return marker[0]; }' >"$BATS_FILE_TMPDIR/tiny.c"
  i686-w64-mingw32-gcc-posix -O2 -s -o "$BATS_FILE_TMPDIR/tiny.exe" "$BATS_FILE_TMPDIR/tiny.c"
}

@test "check-reproducible names the section of the first differing byte under a Chinese locale" {
  a=$TEST_DIR/a.exe
  b=$TEST_DIR/b.exe
  cp "$BATS_FILE_TMPDIR/tiny.exe" "$a"
  cp "$a" "$b"
  LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 run "$LEXIFERRY_SOURCE/tools/check-reproducible.sh" --compare "$a" "$b"
  [ "$status" -eq 0 ]
  [ "$output" = "Reproducible: the two builds of a.exe are the same $(stat -c %s "$a") bytes." ]

  # The marker's offset, found in the bytes themselves; the string constant lies in .rdata.
  offset=$(LC_ALL=C grep -obUa READ-ONLY-DATA-MARKER "$b" | cut -d: -f1)
  printf 'X' | dd of="$b" bs=1 seek="$offset" conv=notrunc status=none
  LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 run "$LEXIFERRY_SOURCE/tools/check-reproducible.sh" --compare "$a" "$b"
  [ "$status" -eq 1 ]
  size=$(stat -c %s "$a")
  [ "$output" = "NOT reproducible: $a and $b first differ at byte $((offset + 1)) (file offset $(printf '0x%x' "$offset")), in section .rdata; 1 bytes differ in all (sizes $size and $size)." ]
}
