#!/usr/bin/env bash
# Builds the Debian package quillon_<version>_<arch>.deb in an optimised build of its own, then
# checks it as users get it (scripts/check-package.sh), lintian included.
#
#   scripts/package.sh          PACKAGE_BUILD_DIR picks the build folder (build-package)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PACKAGE_BUILD_DIR:-$root/build-package}

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_WERROR=ON \
  -DBUILD_TESTING=OFF -DQUILLON_BENCH=OFF
cmake --build "$build"
rm -f "$build"/quillon_*.deb
(cd "$build" && cpack -G DEB)
package=$(echo "$build"/quillon_*.deb)
[[ -f $package ]] || { echo "package.sh: cpack wrote no quillon_*.deb" >&2; exit 1; }
echo "package.sh: built $package"

"$root/scripts/check-package.sh" --lintian "$package"
