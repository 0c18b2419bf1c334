#!/usr/bin/env bash
# Checks the project's own shell scripts: shellcheck on every script git knows of (committed
# or new, not ignored), so a new one is never left out, then the scripts' tests
# (tests/tools/*.bats), which stand in for Wine, the compilers and the rest, and take seconds.
# Fails if either fails.   Usage: tools/check-scripts.sh
set -euo pipefail
# Fixed, and UTF-8: the scripts hold Chinese text, which shellcheck reads as UTF-8 only.
export LC_ALL=C.UTF-8
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# A script: a .sh, .bash or .bats file, or any other whose first line starts a shell.
scripts=()
while IFS= read -r -d '' file; do
  [ -f "$file" ] || continue  # deleted, and the deletion not yet committed
  case $file in
    *.sh | *.bash | *.bats) scripts+=("$file") ;;
    *) [ -z "$(sed -n '1{/^#!.*[/ ]\(ba\)\{0,1\}sh\( \|$\)/p};q' "$file")" ] || scripts+=("$file") ;;
  esac
done < <(git ls-files -z --cached --others --exclude-standard)

status=0
echo "shellcheck: ${#scripts[@]} scripts"
shellcheck "${scripts[@]}" || status=1
bats tests/tools || status=1
exit "$status"
