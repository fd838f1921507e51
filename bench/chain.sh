#!/usr/bin/env bash
# Benchmarks setdelta --chain against one bare expat pass over every DAT of the chain, measured in
# the same run, in turns: wall time and CPU time (best of N) and peak resident memory (largest of
# N). Two chains:
#  - the real MAME DATs beside the project (0.37b5, 0.78, 0.94 -listxml), extracted, and the same
#    chain as published (zipped);
#  - a generated chain of --length DATs of --sets sets: datgen's OLD and NEW in turn, so that each
#    step is a comparison of a MAME-size pair, forwards or backwards.
# A run of setdelta on the generated pair is measured for its memory: a chain holds no more than
# two DATs, so its peak stays near the pair's.
set -euo pipefail

usage() {
  cat <<'TEXT'
usage: bench/chain.sh [--sets N] [--length N] [--runs N] [--quick]
  --sets N     sets in each generated DAT (default 15000, or $BENCH_SETS)
  --length N   DATs in the generated chain (default 5, or $BENCH_LENGTH)
  --runs N     runs of each measurement, best time kept (default 3, or $BENCH_RUNS)
  --quick      2000 sets, a chain of 3, one run: a check that everything works
The build goes to build-bench/ (or $BENCH_BUILD_DIR), the DATs to its bench-data/ folder.
TEXT
}

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
sets=${BENCH_SETS:-15000}
length=${BENCH_LENGTH:-5}
runs=${BENCH_RUNS:-3}
build=${BENCH_BUILD_DIR:-$root/build-bench}
shared=$root/../shared/dats
while [ $# -gt 0 ]; do
  case $1 in
    --sets) sets=${2:-}; shift 2 || { usage >&2; exit 1; } ;;
    --length) length=${2:-}; shift 2 || { usage >&2; exit 1; } ;;
    --runs) runs=${2:-}; shift 2 || { usage >&2; exit 1; } ;;
    --quick) sets=2000; length=3; runs=1; shift ;;
    -h|--help) usage; exit 0 ;;
    *) usage >&2; exit 1 ;;
  esac
done
for number in "$sets" "$length" "$runs"; do
  [[ $number =~ ^[1-9][0-9]*$ ]] || { echo "chain.sh: '$number' is not a positive number" >&2; exit 1; }
done
((length >= 2)) || { echo "chain.sh: a chain needs at least two DATs" >&2; exit 1; }
if [ ! -x /usr/bin/time ]; then
  echo "chain.sh: /usr/bin/time is missing; scripts/install-deps.sh installs it (package 'time')" >&2
  exit 1
fi

echo "Building setdelta, datgen and expatpass (Release) in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_GUI=OFF >/dev/null
cmake --build "$build" --target setdelta datgen expatpass >/dev/null
setdelta=$build/sdelta/setdelta
datgen=$build/bench/datgen
expatpass=$build/bench/expatpass

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The measurements: a label, the index of the row it is compared with (its own for a baseline),
# the target ratio, and the command.
bench_name=chain.sh
# shellcheck source=bench/measure.sh
source "$(dirname "$0")/measure.sh"
# One expat pass over each file in turn: the baseline of a chain.
expat_all() {
  # shellcheck disable=SC2016 # the script's arguments are expanded by the inner shell
  measure "$1" "$2" "" bash -c 'pass=$1; shift; for file; do "$pass" "$file" >/dev/null || exit 1; done' \
    expatpass "$expatpass" "${@:3}"
}

real_files=()
if [ -d "$shared" ]; then
  real=$build/bench-data/mame-chain
  mkdir -p "$real"
  unzip -o -q "$shared/mame_0.37b5_listinfo.zip" mame_0.37b5.xml -d "$real"
  unzip -o -q "$shared/mame_0.78_listxml.zip" -d "$real"
  unzip -o -q "$shared/mame_0.94_listxml.zip" -d "$real"
  real_files=("$real/mame_0.37b5.xml" "$real/mame_0.78.xml" "$real/mame_0.94.xml")
  base=${#labels[@]}
  expat_all "expat pass over MAME 0.37b5, 0.78, 0.94" "$base" "${real_files[@]}"
  measure "setdelta --chain on them" "$base" 1.3 "$setdelta" --chain --json chain.json "${real_files[@]}"
  measure "setdelta --chain on the zips" "$base" "" "$setdelta" --chain --json chain.json \
    --entry mame_0.37b5.xml "$shared/mame_0.37b5_listinfo.zip" "$shared/mame_0.78_listxml.zip" \
    "$shared/mame_0.94_listxml.zip"
else
  echo "The real DATs are not beside the project ($shared): the MAME chain is left out"
fi

data=$build/bench-data/chain-$sets
stamp="$("$datgen" --version) sets=$sets"
if [ "$(cat "$data/stamp" 2>/dev/null)" != "$stamp" ]; then
  echo "Generating $data"
  mkdir -p "$data"
  rm -f "$data/stamp"
  "$datgen" --sets "$sets" "$data/old.xml" "$data/new.xml" >/dev/null
  echo "$stamp" >"$data/stamp"
fi
generated=()
for ((i = 0; i < length; i++)); do
  generated+=("$data/$( ((i % 2 == 0)) && echo old || echo new).xml")
done
base=${#labels[@]}
expat_all "expat pass over the generated chain" "$base" "${generated[@]}"
chain_row=${#labels[@]}
measure "setdelta --chain on it" "$base" 1.3 "$setdelta" --chain --json chain.json "${generated[@]}"
pair_row=${#labels[@]}
measure "setdelta on one pair of it (for memory)" "$pair_row" "" "$setdelta" "$data/old.xml" "$data/new.xml"

run_once() { time_once "$1"; }
total_bytes() { local total=0 file; for file; do total=$((total + $(stat -c %s "$file"))); done; echo "$total"; }

cat "${real_files[@]}" "$data"/*.xml >/dev/null # a warm page cache
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for ((round = 1; round <= runs; round++)); do
  echo "Round $round of $runs"
  for index in "${!commands[@]}"; do
    run_once "$index"
  done
done

printf '\nsetdelta --chain benchmark: MAME chain %s MiB in %s DATs; generated chain %s MiB in %s DATs of %s sets\n' \
  "$(mib "$(total_bytes "${real_files[@]}")")" "${#real_files[@]}" "$(mib "$(total_bytes "${generated[@]}")")" \
  "$length" "$sets"
printf 'wall and CPU (user + system) time: best of %s run(s); peak RSS: largest of them\n' "$runs"
printf 'load average before: %s, after: %s (2 cores: other work skews the wall times)\n\n' \
  "$load_before" "$(cut -d' ' -f1-3 /proc/loadavg)"
row='%-42s %8s %7s %8s %7s %14s   %s\n'
# shellcheck disable=SC2059 # the format is the table's layout, kept in one place
printf "$row" "run" "wall s" "ratio" "cpu s" "ratio" "peak RSS MiB" "target (wall ratio to the row it is compared with)"
for index in "${!commands[@]}"; do
  base=${baselines[index]}
  ratio=$(awk -v a="${best_seconds[index]}" -v b="${best_seconds[base]}" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  cpu_ratio=$(awk -v a="${best_cpu[index]}" -v b="${best_cpu[base]}" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  verdict=""
  if [ -n "${targets[index]}" ]; then
    pass=$(awk -v r="$ratio" -v t="${targets[index]}" 'BEGIN { print (r <= t) ? "PASS" : "MISS" }')
    verdict="<= ${targets[index]} x '${labels[base]}': $pass"
  fi
  # shellcheck disable=SC2059
  printf "$row" "${labels[index]}" "${best_seconds[index]}" "$ratio" "${best_cpu[index]}" "$cpu_ratio" \
    "$(mib $((peak_kib[index] * 1024)))" "$verdict"
done
printf '\npeak memory of the generated chain of %s DATs against one pair of them: %s\n' "$length" \
  "$(awk -v a="${peak_kib[chain_row]}" -v b="${peak_kib[pair_row]}" 'BEGIN { printf "%.2f x", a / b }')"
