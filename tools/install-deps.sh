#!/usr/bin/env bash
# Installs from Debian's packages whatever the build, the tests and the demonstration need;
# with "release", only what making a release needs (the compilers and zip, no Wine).
# Quiet and quick when everything is present.   Usage: tools/install-deps.sh [release]
set -euo pipefail

build_packages=(
  cmake make
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools  # both compilers, windres
)
if [ "${1:-}" = release ]; then
  packages=("${build_packages[@]}" zip)
else
  packages=(
    "${build_packages[@]}"
    googletest                                  # GoogleTest's source, built by the cross compiler
    wine wine64 wine32:i386                     # runs the program and every test, in both widths
    xvfb xdotool x11-apps imagemagick           # a virtual display, real input, screenshots
    fonts-wqy-microhei fonts-noto-cjk locales-all  # Chinese text under a zh_CN locale
    shellcheck bats                             # the scripts' check and their own tests
  )
fi

sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
# Another install running on the machine (or its automatic updates) holds dpkg's lock for a
# while: wait for it instead of failing.
apt_options=(-o DPkg::Lock::Timeout=600)

# The 32-bit Wine that runs the shipped 32-bit program comes from the i386 architecture.
added_architecture=
if [[ " ${packages[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386
then
  $sudo dpkg --add-architecture i386
  added_architecture=yes
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
    || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && [ -z "$added_architecture" ] && exit 0

echo "Installing: ${missing[*]}"
$sudo apt-get "${apt_options[@]}" update -qq
[ ${#missing[@]} -eq 0 ] && exit 0
$sudo apt-get "${apt_options[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
