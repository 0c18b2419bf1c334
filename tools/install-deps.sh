#!/usr/bin/env bash
# Installs from Debian's packages whatever the build, the tests and the demonstration need.
# Quiet and quick when everything is present.
set -euo pipefail

packages=(
  cmake make
  g++-mingw-w64-x86-64-posix mingw-w64-tools  # the cross compiler and windres
  googletest                                  # GoogleTest's source, built by the cross compiler
  wine wine64                                 # runs the program and every test
  xvfb xdotool x11-apps imagemagick           # a virtual display, real input, screenshots
  fonts-wqy-microhei fonts-noto-cjk locales-all  # Chinese text under a zh_CN locale
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
    || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
