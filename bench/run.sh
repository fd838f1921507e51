#!/usr/bin/env bash
# Benchmarks setdelta on a MAME-size -listxml pair against a bare expat pass over the same data,
# measured in the same run, in turns: wall time (best of N) and peak resident memory (largest of N).
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

# Measurement 0 is the baseline, the others setdelta with these switches. The rounds take each in
# turn, so load from elsewhere on the machine falls on all of them alike. The last one is the
# defaults with the JSON report, measured against the defaults alone.
switch_sets=("" "-d1" "-m" "--json report.json")
json_index=${#switch_sets[@]}
best_seconds=()
best_cpu=()
peak_kib=()
written_sets=()
json_bytes=0
json_sets=0
json_own_seconds=""
default_summary=""

# Runs one measurement once in $work, folding its time and memory into the best and the peak.
run_once() {
  local index=$1 switches seconds user system kib cpu
  local command=("$expatpass" "$old")
  if ((index > 0)); then
    switches=${switch_sets[index - 1]}
    # shellcheck disable=SC2206 # the switches are meant to split into words
    command=("$setdelta" $switches "$old" "$new")
  fi
  rm -f "$work/setdelta.dat" "$work/report.json"
  if ! (cd "$work" && /usr/bin/time -f '%e %U %S %M' -o "$work/timing" "${command[@]}" >"$work/output" 2>&1); then
    echo "run.sh: failed: ${command[*]}" >&2
    tail -n 20 "$work/output" >&2
    exit 1
  fi
  read -r seconds user system kib <"$work/timing"
  cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')
  if [ -z "${best_cpu[index]:-}" ] || awk -v a="$cpu" -v b="${best_cpu[index]}" 'BEGIN { exit !(a < b) }'; then
    best_cpu[index]=$cpu
  fi
  if [ -z "${best_seconds[index]:-}" ] || awk -v a="$seconds" -v b="${best_seconds[index]}" 'BEGIN { exit !(a < b) }'; then
    best_seconds[index]=$seconds
  fi
  if ((kib > ${peak_kib[index]:-0})); then
    peak_kib[index]=$kib
  fi
  if ((index > 0)); then
    check_setdelta_output "$index"
  fi
}

check_setdelta_output() {
  local index=$1
  if [ ! -s "$work/setdelta.dat" ]; then
    echo "run.sh: setdelta ${switch_sets[index - 1]:-(defaults)} exited 0 but wrote no setdelta.dat (is it still a placeholder?)" >&2
    exit 1
  fi
  written_sets[index]=$(grep -cE '^(game|machine|resource) \(' "$work/setdelta.dat" || true)
  if ((index == json_index)) && [ ! -s "$work/report.json" ]; then
    echo "run.sh: setdelta --json exited 0 but wrote no report" >&2
    exit 1
  fi
  if ((index == json_index)); then
    json_bytes=$(stat -c %s "$work/report.json")
    json_sets=$(grep -c '^{"name":' "$work/report.json" || true)
    own=$(sed -n 's/^JSON report written in \([0-9.]*\) s$/\1/p' "$work/output")
    if [ -z "$json_own_seconds" ] || awk -v a="$own" -v b="$json_own_seconds" 'BEGIN { exit !(a < b) }'; then
      json_own_seconds=$own
    fi
  fi
  if ((index == 1)); then
    default_summary=$(head -n 20 "$work/output")
  fi
}

# The largest report a DAT of this size gives: OLD against a DAT without sets, so that every set
# of OLD is in the report with all its ROMs. Prints setdelta's own figure for writing it, best of
# the runs, and the report's size.
largest_report() {
  local best="" own
  printf '<?xml version="1.0"?>\n<mame build="empty"></mame>\n' >"$work/empty.xml"
  for ((round = 1; round <= runs; round++)); do
    rm -f "$work/report.json"
    if ! (cd "$work" && "$setdelta" --json report.json "$old" empty.xml >"$work/output" 2>&1); then
      echo "run.sh: failed: setdelta --json report.json $old empty.xml" >&2
      tail -n 20 "$work/output" >&2
      exit 1
    fi
    own=$(sed -n 's/^JSON report written in \([0-9.]*\) s$/\1/p' "$work/output")
    if [ -z "$best" ] || awk -v a="$own" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$own
    fi
  done
  echo "$best $(stat -c %s "$work/report.json") $(grep -c '^{"name":' "$work/report.json" || true)"
}

mib() { awk -v bytes="$1" 'BEGIN { printf "%.1f", bytes / 1048576 }'; }
verdict() { if (($1)); then echo PASS; else echo MISS; fi; }

old_bytes=$(stat -c %s "$old")
new_bytes=$(stat -c %s "$new")
input_bytes=$((old_bytes + new_bytes))
cat "$old" "$new" >/dev/null # start every measurement from a warm page cache

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for ((round = 1; round <= runs; round++)); do
  echo "Round $round of $runs"
  for ((index = 0; index <= ${#switch_sets[@]}; index++)); do
    run_once "$index"
  done
done

printf '\nsetdelta benchmark: %s sets; OLD %s MiB, NEW %s MiB, combined input %s MiB\n' \
  "$sets" "$(mib "$old_bytes")" "$(mib "$new_bytes")" "$(mib "$input_bytes")"
printf 'wall and CPU (user + system) time: best of %s run(s); peak RSS: largest of them\n' "$runs"
printf 'load average before: %s, after: %s (2 cores: other work skews the wall times)\n\n' \
  "$load_before" "$(cut -d' ' -f1-3 /proc/loadavg)"
row='%-30s %8s %9s %7s %14s %10s   %-20s %s\n'
baseline_row='%-30s %8s %9s %7s %14s %10s\n'
# shellcheck disable=SC2059 # the formats are the table's layout, kept in one place
printf "$row" "run" "wall s" "x expat" "cpu s" "peak RSS MiB" "sets out" "time <= 1.5x expat" "RSS < input"
# shellcheck disable=SC2059
printf "$baseline_row" "expat pass over OLD (baseline)" "${best_seconds[0]}" "1.00" "${best_cpu[0]}" \
  "$(mib $((peak_kib[0] * 1024)))" "-"
for ((index = 1; index <= ${#switch_sets[@]}; index++)); do
  seconds=${best_seconds[index]}
  kib=${peak_kib[index]}
  ratio=$(awk -v a="$seconds" -v b="${best_seconds[0]}" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  # shellcheck disable=SC2059
  printf "$row" "setdelta ${switch_sets[index - 1]:-(defaults)}" "$seconds" "$ratio" "${best_cpu[index]}" \
    "$(mib $((kib * 1024)))" "${written_sets[index]}" \
    "$(verdict "$(awk -v r="$ratio" 'BEGIN { print (r <= 1.5) }')")" \
    "$(verdict $((kib * 1024 < input_bytes)))"
done
# What the report adds to a run with the defaults: the difference of the best times.
json_wall=$(awk -v a="${best_seconds[json_index]}" -v b="${best_seconds[1]}" 'BEGIN { printf "%.2f", a - b }')
json_cpu=$(awk -v a="${best_cpu[json_index]}" -v b="${best_cpu[1]}" 'BEGIN { printf "%.2f", a - b }')
json_share=$(awk -v a="$json_wall" -v b="${best_seconds[1]}" 'BEGIN { printf "%.0f", (b > 0 ? 100 * a / b : 0) }')
printf '\nJSON report: %s MiB, %s sets; written in %s s (setdelta'"'"'s own figure, best of the runs)\n' \
  "$(mib "$json_bytes")" "$json_sets" "$json_own_seconds"
printf 'with --json against the defaults: %s s more wall time (%s%% of the run), %s s more CPU time\n' \
  "$json_wall" "$json_share" "$json_cpu"
read -r largest_seconds largest_bytes largest_sets < <(largest_report)
printf 'largest report (OLD against a DAT without sets): %s MiB, %s sets; written in %s s\n' \
  "$(mib "$largest_bytes")" "$largest_sets" "$largest_seconds"
if [ -n "$default_summary" ]; then
  printf '\nsetdelta (defaults), last run, said:\n%s\n' "$default_summary"
fi
