#!/usr/bin/env bash
# Installs the Debian packages Quillon needs to build, run and test, skipping those already there.
# Works as root or through sudo.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev
  libzip-dev libexpat1-dev zlib1g-dev nlohmann-json3-dev
  googletest libgtest-dev
  clang libclang-rt-14-dev
  gzip zip time util-linux
  bash-completion librsvg2-bin
  desktop-file-utils appstream
  dpkg-dev file lintian
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
