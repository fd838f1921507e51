#!/usr/bin/env bash
# The Debian package of this build, made with the project's CPack settings and checked as users
# get it by scripts/check-package.sh (CI's scripts/package.sh adds lintian on an optimised build).
#
#   package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.txt" 2>&1 \
  || { cat "$scratch/cpack.txt" >&2; exit 1; }
packages=("$scratch"/quillon_*.deb)
[[ ${#packages[@]} == 1 && -f ${packages[0]} ]] || { cat "$scratch/cpack.txt" >&2; echo "no quillon_*.deb written" >&2; exit 1; }
"$source/scripts/check-package.sh" "${packages[0]}"
