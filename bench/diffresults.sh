#!/usr/bin/env bash
# Times the Diff results window on a synthetic report of about 33,000 sets (MAME 0.139 against
# 0.251), beside reading the report's JSON alone.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
sets=${BENCH_SETS:-33000}
runs=${BENCH_RUNS:-5}
build=${BENCH_GUI_BUILD_DIR:-$root/build-bench-gui}
case ${1:-} in
  --quick) sets=3000; runs=1 ;;
  "") ;;
  *) echo "usage: bench/diffresults.sh [--quick]   (BENCH_SETS, BENCH_RUNS, BENCH_GUI_BUILD_DIR)" >&2; exit 1 ;;
esac

echo "Building diffresults_bench (Release, with Qt) in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_GUI=ON >/dev/null
cmake --build "$build" --target diffresults_bench >/dev/null
QT_QPA_PLATFORM=offscreen "$build/bench/diffresults_bench" --sets "$sets" --runs "$runs"
