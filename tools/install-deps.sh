#!/usr/bin/env bash
# Installs from Debian's packages whatever the build, the tests and the demonstration need;
# with "release", only what making a release needs (the compilers, zip and git, no Wine).
# Quiet and quick when everything is present.   Usage: tools/install-deps.sh [release]
#
# A package registry in the middle of a sync serves an index that does not match its release
# file, now and then for an hour or more. So a failed `apt-get update` is tried again, and
# where it keeps failing the install goes on with the lists there are. And the 32-bit Wine
# goes in a transaction of its own, after everything else: with the i386 index missing, apt
# cannot match i386 libraries to the amd64 ones installed, and would refuse the compilers too.
# Where the 32-bit Wine cannot be installed, apt's reason is left in the note below for
# tools/widths.sh, and the tests, the demonstration and the benchmark take the 64-bit-only
# way; a later run that installs it (or finds it installed) removes the note.
# LEXIFERRY_APT_PAUSE: the seconds between two tries of `apt-get update`, and between two
# looks at apt's list lock while another update holds it (default 10).
set -euo pipefail

build_packages=(
  cmake make
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools  # both compilers, windres
)
i386_packages=()
if [ "${1:-}" = release ]; then
  packages=("${build_packages[@]}" zip git)
  step="what making a release needs"
else
  packages=(
    "${build_packages[@]}"
    googletest                                  # GoogleTest's source, built by the cross compiler
    wine wine64                                 # runs the program and every test
    xvfb xdotool x11-apps imagemagick           # a virtual display, real input, screenshots
    fonts-wqy-microhei fonts-noto-cjk locales-all  # Chinese text under a zh_CN locale
    shellcheck bats zip unzip git               # the scripts' check and their own tests
    clang                                       # the second compiler of the test command
  )
  step="what every way of running needs"
  i386_packages=(wine32:i386)                   # runs the 32-bit program that ships
fi
# Read by tools/widths.sh: one line, why the 32-bit Wine could not be installed.
wine32_note=${XDG_STATE_HOME:-$HOME/.local/state}/lexiferry/wine32-not-installed

sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
# apt and dpkg run in the C locale, whatever the machine's language: their messages are read
# below. And without questions: sudo starts its command with an environment of its own, so
# the setting is given on the command line, where it reaches apt and the package scripts.
apt=(env LC_ALL=C DEBIAN_FRONTEND=noninteractive apt-get)
# Another install running on the machine (or its automatic updates) holds dpkg's lock for a
# while: wait for it instead of failing.
apt_options=(-o DPkg::Lock::Timeout=600)
# The update takes apt's list lock, which that option does not cover (apt 2.6 fails at once):
# a new machine's automatic update at boot holds it for minutes. The update waits for it, up
# to as long, in waits of LEXIFERRY_APT_PAUSE seconds (10 by default).
lock_waits=60

# missing PACKAGE...: those of the PACKAGES not installed, one a line.
missing() {
  local package
  for package; do
    LC_ALL=C dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
      || echo "$package"
  done
}
mapfile -t missing_packages < <(missing "${packages[@]}")
mapfile -t missing_i386 < <(missing "${i386_packages[@]}")
if [ ${#i386_packages[@]} -gt 0 ] && [ ${#missing_i386[@]} -eq 0 ]; then rm -f "$wine32_note"; fi
[ $((${#missing_packages[@]} + ${#missing_i386[@]})) -gt 0 ] || exit 0
all_missing=("${missing_packages[@]}" "${missing_i386[@]}")
echo "Installing: ${all_missing[*]}"

# What apt or dpkg says goes to this file, shown only when they fail.
said=$(mktemp)
trap 'rm -f "$said"' EXIT
# reason STATUS: in one line, why the command that wrote $said failed: its errors, else its
# last line; without a full stop, since it goes into sentences.
reason() {
  local errors
  errors=$(sed -n 's/^E: //p' "$said" | paste -sd ' ')
  [ -n "$errors" ] || errors=$(grep -v '^[[:space:]]*$' "$said" | tail -n 1) || true
  errors=${errors%.}
  echo "${errors:-it ended with exit status $1}"
}

# The i386 lists come with the architecture, so it is added before the update. Why the
# 32-bit Wine cannot be installed, if it cannot, and the words of the tool that refused it:
i386_failed='' i386_tool='' i386_said=''
if [ ${#missing_i386[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  status=0
  $sudo env LC_ALL=C dpkg --add-architecture i386 >"$said" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    i386_failed="dpkg --add-architecture i386 failed: $(reason "$status")" i386_tool=dpkg
    i386_said=$(cat "$said")
  fi
fi

# An index that failed shows as "E: Failed to fetch URL  WHY" (a "W:" in older apt).
# A lock held by another update is waited for, and is no try.
try=1
while :; do
  status=0
  $sudo "${apt[@]}" "${apt_options[@]}" update -qq >"$said" 2>&1 || status=$?
  if [ "$status" -ne 0 ] && [ "$lock_waits" -gt 0 ] &&
     grep -q '^E: Could not get lock /var/lib/apt/lists/lock' "$said"; then
    lock_waits=$((lock_waits - 1))
    sleep "${LEXIFERRY_APT_PAUSE:-10}"
    continue
  fi
  [ "$status" -ne 0 ] || grep -q '^[EW]: Failed to fetch ' "$said" || break
  [ "$try" -lt 3 ] || break
  try=$((try + 1))
  sleep "${LEXIFERRY_APT_PAUSE:-10}"
done
if [ "$status" -ne 0 ] || grep -q '^[EW]: Failed to fetch ' "$said"; then
  failed=$(awk '/^[EW]: Failed to fetch / {
      why = $0; sub(/^[EW]: Failed to fetch [^ ]+ +/, "", why); sub(/ *\[IP: [^]]*\]$/, "", why)
      list = list (list == "" ? "" : "; ") $5 " (" why ")"
    } END { print list }' "$said")
  echo "The package lists could not all be updated in $try tries:" \
       "${failed:-$(reason "$status")}; going on with the lists there are." >&2
fi

# install PACKAGE...: one transaction; sets status. Its output is shown only on failure, so
# it is kept whole: -qq would drop the list of unmet dependencies, apt's reason for a refusal.
install() {
  status=0
  $sudo "${apt[@]}" "${apt_options[@]}" install -y -q --no-install-recommends "$@" >"$said" 2>&1 \
    || status=$?
}

if [ ${#missing_packages[@]} -gt 0 ]; then
  install "${missing_packages[@]}"
  if [ "$status" -ne 0 ]; then
    echo "Could not install $step (${missing_packages[*]}); apt-get says:" >&2
    cat "$said" >&2
    exit "$status"
  fi
fi

[ ${#missing_i386[@]} -gt 0 ] || exit 0
if [ -z "$i386_failed" ]; then
  install "${missing_i386[@]}"
  if [ "$status" -eq 0 ]; then
    rm -f "$wine32_note"
    exit 0
  fi
  i386_failed=$(reason "$status") i386_tool=apt-get i386_said=$(cat "$said")
fi
echo "Could not install the 32-bit Wine (${missing_i386[*]}), so the tests, the demonstration" \
     "and the benchmark take the 64-bit-only way; $i386_tool says:" >&2
printf '%s\n' "$i386_said" >&2
mkdir -p "$(dirname "$wine32_note")"
echo "$i386_failed" >"$wine32_note"
