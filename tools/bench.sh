#!/usr/bin/env bash
# Measures how fast a transfer turns a Sogou export into the Kestrix import file, under Wine
# in a prefix of its own, and writes the numbers to docs/benchmarks.md, in the section of the
# width it measured: the 32-bit program that ships, or the 64-bit one on a machine that cannot
# run 32-bit programs (tools/widths.sh; LEXIFERRY_32BIT=no measures it on any machine). The
# other width's section stays as it was, so the shipped program's numbers outlive a run on a
# machine that can measure only the 64-bit one. On a fresh Debian machine it first installs
# what is missing and builds.
#   Usage: tools/bench.sh [entry counts...]      (default: 10000 100000 1000000)
set -euo pipefail
LEXIFERRY_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export LEXIFERRY_ROOT
build=${LEXIFERRY_BUILD_DIR:-$LEXIFERRY_ROOT/build}
out=$LEXIFERRY_ROOT/docs/benchmarks.md
heading32="## The 32-bit program, the one that ships"
heading64="## The 64-bit program"

"$LEXIFERRY_ROOT/tools/install-deps.sh"
"$LEXIFERRY_ROOT/tools/build.sh" "$build"

# shellcheck source=display.sh
source "$LEXIFERRY_ROOT/tools/display.sh"
lexiferry_session "$build/bench-prefix"

if [ "$LEXIFERRY_RUNS_32BIT" = yes ]; then
  width=32-bit tree=$build compiler=i686-w64-mingw32-g++-posix heading=$heading32
else
  echo "Measuring the 64-bit program: $LEXIFERRY_NO_32BIT_WHY."
  width=64-bit tree=$build-x64 compiler=x86_64-w64-mingw32-g++-posix heading=$heading64
fi
echo "Running the benchmark of the $width program (about a minute)..."
# To a file, not a pipe, which a Wine service started meanwhile would hold open.
results=$build/bench-prefix-results.md
"$LEXIFERRY_WINE" "$tree/bench/lexiferry_bench.exe" "$@" </dev/null >"$results"
table=$(tr -d '\r' <"$results")

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
memory=$(awk '/^MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)
os=$(uname -s)
if [ -r /etc/os-release ]; then os=$(. /etc/os-release && echo "$PRETTY_NAME"); fi
wine_version=$("$LEXIFERRY_WINE" --version 2>/dev/null || echo unknown)
compiler="$($compiler --version | head -n 1), $width"

# The exports' table ends at the first blank line; the backups' table follows it.
exports=$(printf '%s\n' "$table" | awk 'NF == 0 { exit } { print }')
# The verdict for the largest export: its ratio to the bound and its peak working set against
# the aims of 1.5x the bound and 2x the export plus 16 MiB. The fields are cleaned to digits
# and forced to numbers: compared as strings, "19.8" would be at most "3".
verdict=$(printf '%s\n' "$exports" | tail -n 1 | awk -F'|' '{
  for (i = 2; i <= 12; ++i) { gsub(/[^0-9.]/, "", $i); $i = $i + 0 }
  printf "**Whole engine at %d entries: %.2fx the bound** (aim: at most 1.5x): %s.\n\n", \
         $2, $8, ($8 <= 1.5 ? "met" : "not met")
  printf "- Peak working set: %.1f MiB (aim: at most %.1f MiB): %s.\n", $10, $12, \
         ($10 <= $12 ? "met" : "not met")
  printf "- Read and parse alone: %.3f s, %.2fx the bound; converting and writing the import file add %.3f s.\n", \
         $9, $9 / $7, $5 - $9
}')
# And for the largest backup: its time and peak against the export's of the same entries, with
# the aims of 1.5x the time and no higher a peak.
backup_verdict=$(printf '%s\n' "$table" | tail -n 1 | awk -F'|' '{
  for (i = 2; i <= 10; ++i) { gsub(/[^0-9.]/, "", $i); $i = $i + 0 }
  printf "- SGPU backup of %d entries, whole engine: %.0f entries/s, %.2fx the export'"'"'s time (aim: at most 1.5x): %s.\n", \
         $2, $6, $8, ($8 <= 1.5 ? "met" : "not met")
  printf "- Its peak working set: %.1f MiB, the export'"'"'s %.1f MiB (aim: no higher): %s.\n", \
         $9, $10, ($9 <= $10 ? "met" : "not met")
}')

# section HEADING: that section of the file as it is, up to the next heading.
section() {
  [ ! -f "$out" ] || awk -v heading="$1" '/^## / { inside = ($0 == heading) } inside' "$out"
}
measured=$(cat <<DOC
$heading

$verdict
$backup_verdict

Measured on $(date -u '+%Y-%m-%d %H:%M UTC') by \`tools/bench.sh\`, on: $cpu, $(nproc) cores,
$memory memory; $os; $wine_version; $compiler.

$table
DOC
)
# One section per width, the 32-bit one first; the other width's is kept as it is.
if [ "$width" = 32-bit ]; then
  sections=("$measured" "$(section "$heading64")")
else
  sections=("$(section "$heading32")" "$measured")
fi
doc=$(
  cat <<DOC
# Transfer benchmark

How fast a transfer turns a Sogou export into the Kestrix import file, under Wine, in each
width of the program; \`tools/bench.sh\` measures one width and replaces only its section.
Each export is a realistic Sogou user dictionary (UTF-16LE with its mark, CR LF): words of two
to eight characters with their readings, about one in twelve a single character or holding
Latin letters, which Kestrix does not take. Every time is the fastest of five runs, each in a
fresh process under Wine, with the ANSI code page 936.

DOC
  for part in "${sections[@]}"; do [ -z "$part" ] || printf '%s\n\n' "$part"; done
  cat <<DOC
## The columns

- **Engine**: the transfer's own path from the finished export to the finished import file:
  the whole file read at once, every line parsed and filtered, every accepted entry checked
  against code page 936 and converted with the others of its block, written in blocks, the
  last block included. The IME's import is not included.
- **Bound**: one read of the whole export, one conversion of all its text, one write.
- **Read and parse only**: the engine's path without writing anything.
- **Peak working set**: \`GetProcessMemoryInfo\` at the end of an engine run; **idle** is the
  same process before it started (Wine's own share).
- **SGPU backup**: the same entries in the same order as a Sogou backup of the SGPU layout,
  given as a \`/from\` file is: opened, recognised, read whole and checked, then every entry
  through the same engine; timed from the opening, against the export's engine above.
DOC
)
printf '%s\n' "$doc" >"$out"
echo "Wrote the $width section of $out"
printf '%s\n' "$table"
