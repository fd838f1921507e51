#!/usr/bin/env bash
# Builds Quillon, setdelta and every test, with warnings as errors, and runs all tests.
# BUILD_DIR picks the build folder; CMAKE_ARGS adds configure options (CI uses it for the
# sanitizer build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/scripts/install-deps.sh"
# shellcheck disable=SC2086 # CMAKE_ARGS holds several options
cmake -S "$root" -B "$build" -G Ninja -DQUILLON_WERROR=ON ${CMAKE_ARGS:-}
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)"
