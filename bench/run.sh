#!/usr/bin/env bash
# Benchmarks setdelta on a MAME-size -listxml pair against a bare expat pass over the same data,
# measured in the same run: wall time (best of N) and peak resident memory (largest of N).
set -euo pipefail

usage() {
  cat <<'TEXT'
usage: bench/run.sh [--sets N] [--runs N] [--quick]
  --sets N   sets in the generated DAT (default 45000, or $BENCH_SETS)
  --runs N   runs of each measurement, best time kept (default 3, or $BENCH_RUNS)
  --quick    5000 sets, one run: a check that everything works, not a measurement
The build goes to build-bench/ (or $BENCH_BUILD_DIR), the DATs to its bench-data/ folder.
TEXT
}

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
sets=${BENCH_SETS:-45000}
runs=${BENCH_RUNS:-3}
build=${BENCH_BUILD_DIR:-$root/build-bench}
while [ $# -gt 0 ]; do
  case $1 in
    --sets) sets=${2:-}; shift 2 || { usage >&2; exit 1; } ;;
    --runs) runs=${2:-}; shift 2 || { usage >&2; exit 1; } ;;
    --quick) sets=5000; runs=1; shift ;;
    -h|--help) usage; exit 0 ;;
    *) usage >&2; exit 1 ;;
  esac
done
for number in "$sets" "$runs"; do
  [[ $number =~ ^[1-9][0-9]*$ ]] || { echo "run.sh: '$number' is not a positive number" >&2; exit 1; }
done
if [ ! -x /usr/bin/time ]; then
  echo "run.sh: /usr/bin/time is missing; scripts/install-deps.sh installs it (package 'time')" >&2
  exit 1
fi

echo "Building setdelta, datgen and expatpass (Release) in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_GUI=OFF >/dev/null
cmake --build "$build" --target setdelta datgen expatpass >/dev/null
setdelta=$build/sdelta/setdelta
datgen=$build/bench/datgen
expatpass=$build/bench/expatpass

# The stamp is written only after datgen succeeds, so a half-generated pair is never reused.
data=$build/bench-data/$sets
old=$data/old.xml
new=$data/new.xml
stamp="$("$datgen" --version) sets=$sets"
if [ "$(cat "$data/stamp" 2>/dev/null)" != "$stamp" ]; then
  echo "Generating $sets sets into $data"
  mkdir -p "$data"
  rm -f "$data/stamp"
  "$datgen" --sets "$sets" "$old" "$new"
  echo "$stamp" >"$data/stamp"
else
  echo "Reusing the DATs in $data"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs a command $runs times in $work; sets best_seconds and peak_kib. Output goes to $work/output.
measure() {
  best_seconds=""
  peak_kib=0
  local run seconds kib
  for ((run = 1; run <= runs; run++)); do
    rm -f "$work/setdelta.dat"
    if ! (cd "$work" && /usr/bin/time -f '%e %M' -o "$work/timing" "$@" >"$work/output" 2>&1); then
      echo "run.sh: failed: $*" >&2
      tail -n 20 "$work/output" >&2
      exit 1
    fi
    read -r seconds kib <"$work/timing"
    if [ -z "$best_seconds" ] || awk -v a="$seconds" -v b="$best_seconds" 'BEGIN { exit !(a < b) }'; then
      best_seconds=$seconds
    fi
    if ((kib > peak_kib)); then
      peak_kib=$kib
    fi
  done
}

mib() { awk -v bytes="$1" 'BEGIN { printf "%.1f", bytes / 1048576 }'; }
verdict() { awk -v ok="$1" 'BEGIN { print (ok ? "PASS" : "MISS") }'; }

old_bytes=$(stat -c %s "$old")
new_bytes=$(stat -c %s "$new")
input_bytes=$((old_bytes + new_bytes))
cat "$old" "$new" >/dev/null # start every measurement from a warm page cache

measure "$expatpass" "$old"
expat_seconds=$best_seconds
expat_kib=$peak_kib

rows=()
default_summary=""
for switches in "" "-d1" "-m"; do
  # shellcheck disable=SC2086 # the switches are meant to split into words
  measure "$setdelta" $switches "$old" "$new"
  if [ ! -s "$work/setdelta.dat" ]; then
    echo "run.sh: setdelta ${switches:-(defaults)} exited 0 but wrote no setdelta.dat (is it still a placeholder?)" >&2
    exit 1
  fi
  written_sets=$(grep -cE '^(game|machine|resource) \(' "$work/setdelta.dat" || true)
  if [ -z "$switches" ]; then
    default_summary=$(tail -n 8 "$work/output")
  fi
  rows+=("${switches:-(defaults)}|$best_seconds|$peak_kib|$written_sets")
done

printf '\nsetdelta benchmark: %s sets; OLD %s MiB, NEW %s MiB, combined input %s MiB; best of %s run(s)\n\n' \
  "$sets" "$(mib "$old_bytes")" "$(mib "$new_bytes")" "$(mib "$input_bytes")" "$runs"
printf '%-30s %8s %9s %14s %10s   %-20s %s\n' "run" "wall s" "x expat" "peak RSS MiB" "sets out" \
  "time <= 1.5x expat" "RSS < input"
printf '%-30s %8s %9s %14s %10s\n' "expat pass over OLD (baseline)" "$expat_seconds" "1.00" \
  "$(mib $((expat_kib * 1024)))" "-"
for row in "${rows[@]}"; do
  IFS='|' read -r switches seconds kib written_sets <<<"$row"
  ratio=$(awk -v a="$seconds" -v b="$expat_seconds" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  time_verdict=$(verdict "$(awk -v r="$ratio" 'BEGIN { print (r <= 1.5) }')")
  memory_verdict=$(verdict "$((kib * 1024 < input_bytes))")
  printf '%-30s %8s %9s %14s %10s   %-20s %s\n' "setdelta $switches" "$seconds" "$ratio" \
    "$(mib $((kib * 1024)))" "$written_sets" "$time_verdict" "$memory_verdict"
done
if [ -n "$default_summary" ]; then
  printf '\nsetdelta (defaults) said:\n%s\n' "$default_summary"
fi
