#!/usr/bin/env bash
# Benchmarks setdelta against a bare expat pass over the same data, measured in the same run, in
# turns: wall time (best of N) and peak resident memory (largest of N). Three groups:
#  - a MAME-size -listxml pair, with the default switches, -d1 and -m;
#  - the same pair zipped, against the same pair unzipped;
#  - progress lines (--progress), plain and zipped, against the same runs without them;
#  - four shapes of input built to expose quadratic work, each beside an expat pass over both
#    its inputs (and one over OLD alone);
#  - the JSON report: the defaults with --json against the defaults alone, and the largest report
#    a DAT of this size gives.
set -euo pipefail

usage() {
  cat <<'TEXT'
usage: bench/run.sh [--sets N] [--runs N] [--copies N] [--quick]
  --sets N     sets in the generated DAT (default 45000, or $BENCH_SETS)
  --runs N     runs of each measurement, best time kept (default 3, or $BENCH_RUNS)
  --copies N   copies of each adversarial shape in its DAT (default 10, or $BENCH_COPIES)
  --quick      5000 sets, one copy of each shape, one run: a check that everything works
The build goes to build-bench/ (or $BENCH_BUILD_DIR), the DATs to its bench-data/ folder.
TEXT
}

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
sets=${BENCH_SETS:-45000}
runs=${BENCH_RUNS:-3}
copies=${BENCH_COPIES:-10}
build=${BENCH_BUILD_DIR:-$root/build-bench}
while [ $# -gt 0 ]; do
  case $1 in
    --sets) sets=${2:-}; shift 2 || { usage >&2; exit 1; } ;;
    --runs) runs=${2:-}; shift 2 || { usage >&2; exit 1; } ;;
    --copies) copies=${2:-}; shift 2 || { usage >&2; exit 1; } ;;
    --quick) sets=5000; runs=1; copies=1; shift ;;
    -h|--help) usage; exit 0 ;;
    *) usage >&2; exit 1 ;;
  esac
done
for number in "$sets" "$runs" "$copies"; do
  [[ $number =~ ^[1-9][0-9]*$ ]] || { echo "run.sh: '$number' is not a positive number" >&2; exit 1; }
done
if [ ! -x /usr/bin/time ]; then
  echo "run.sh: /usr/bin/time is missing; scripts/install-deps.sh installs it (package 'time')" >&2
  exit 1
fi

echo "Building setdelta, datgen, expatpass and zipdat (Release) in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_GUI=OFF >/dev/null
cmake --build "$build" --target setdelta datgen expatpass zipdat >/dev/null
setdelta=$build/sdelta/setdelta
datgen=$build/bench/datgen
expatpass=$build/bench/expatpass
zipdat=$build/bench/zipdat

# Generates into a folder once; the stamp is written only after the generator succeeds, so a
# half-generated pair is never reused. Arguments: folder, stamp, then the generating command.
generate_once() {
  local folder=$1 stamp=$2
  shift 2
  if [ "$(cat "$folder/stamp" 2>/dev/null)" != "$stamp" ]; then
    echo "Generating $folder"
    mkdir -p "$folder"
    rm -f "$folder/stamp"
    "$@" >/dev/null
    echo "$stamp" >"$folder/stamp"
  else
    echo "Reusing the DATs in $folder"
  fi
}

zip_pair() {
  "$zipdat" "$1/old.zip" "$1/old.xml"
  "$zipdat" "$1/new.zip" "$1/new.xml"
}

data=$build/bench-data/$sets
generate_once "$data" "$("$datgen" --version) sets=$sets" "$datgen" --sets "$sets" "$data/old.xml" "$data/new.xml"
generate_once "$data/zipped" "$(cat "$data/stamp") zipped" zip_pair "$data"
shapes=("changed-roms" "clone-chain" "clone-family" "long-names")
shape_switches=("" "-n" "-m" "")
for shape in "${shapes[@]}"; do
  folder=$build/bench-data/$shape-$copies
  generate_once "$folder" "$("$datgen" --version) $shape copies=$copies" \
    "$datgen" --shape "$shape" --copies "$copies" "$folder/old.xml" "$folder/new.xml"
done

# The measurements: a label, the index of the measurement it is compared with (its own index
# for a baseline), the target ratio, and the command.
bench_name=run.sh
# shellcheck source=bench/measure.sh
source "$(dirname "$0")/measure.sh"
measure "expat pass over OLD (baseline)" 0 "" "$expatpass" "$data/old.xml"
measure "setdelta (defaults)" 0 1.5 "$setdelta" "$data/old.xml" "$data/new.xml"
measure "setdelta -d1" 0 1.5 "$setdelta" -d1 "$data/old.xml" "$data/new.xml"
measure "setdelta -m" 0 1.5 "$setdelta" -m "$data/old.xml" "$data/new.xml"
zipped_index=${#labels[@]}
measure "setdelta, both zipped" 1 1.3 "$setdelta" "$data/old.zip" "$data/new.zip"
# Progress lines as Quillon asks for them, beside the same runs without.
measure "setdelta --progress" 1 1.05 "$setdelta" --progress "$data/old.xml" "$data/new.xml"
measure "setdelta --progress, both zipped" "$zipped_index" 1.05 \
  "$setdelta" --progress "$data/old.zip" "$data/new.zip"
json_index=${#labels[@]}
measure "setdelta --json" 1 "" "$setdelta" --json report.json "$data/old.xml" "$data/new.xml"
# A shape is compared with a pass over both its inputs, the bytes setdelta reads; the pass over
# OLD alone is measured too and its ratio printed below the table.
shape_rows=()
shape_old_rows=()
for i in "${!shapes[@]}"; do
  folder=$build/bench-data/${shapes[i]}-$copies
  old_only=${#labels[@]}
  measure "expat pass over ${shapes[i]} OLD" "$old_only" "" "$expatpass" "$folder/old.xml"
  base=${#labels[@]}
  # shellcheck disable=SC2016 # the script's arguments are expanded by the inner shell
  measure "expat pass over ${shapes[i]} OLD+NEW" "$base" "" \
    bash -c '"$1" "$2" && "$1" "$3"' expatpass "$expatpass" "$folder/old.xml" "$folder/new.xml"
  # shellcheck disable=SC2206 # the switches are meant to split into words
  switches=(${shape_switches[i]})
  shape_rows+=(${#labels[@]})
  shape_old_rows+=("$old_only")
  measure "setdelta ${shape_switches[i]:-(defaults)} ${shapes[i]}" "$base" 1.5 \
    "$setdelta" "${switches[@]}" "$folder/old.xml" "$folder/new.xml"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
written_sets=()
default_summary=""
json_bytes=0
json_sets=0
json_own_seconds=""

# Runs one measurement once in $work, folding its time and memory into the best and the peak.
run_once() {
  local index=$1
  rm -f "$work/setdelta.dat" "$work/report.json"
  time_once "$index"
  if [[ ${commands[index]} == "$(printf '%q' "$setdelta")"* ]]; then
    check_setdelta_output "$index"
  fi
  if ((index == json_index)); then
    note_json_report
  fi
}

# The report's size and sets, and the best of setdelta's own figures for writing it.
note_json_report() {
  local own
  if [ ! -s "$work/report.json" ]; then
    echo "run.sh: setdelta --json exited 0 but wrote no report" >&2
    exit 1
  fi
  json_bytes=$(stat -c %s "$work/report.json")
  json_sets=$(grep -c '^{"name":' "$work/report.json" || true)
  own=$(sed -n 's/^JSON report written in \([0-9.]*\) s$/\1/p' "$work/output")
  if [ -z "$json_own_seconds" ] || awk -v a="$own" -v b="$json_own_seconds" 'BEGIN { exit !(a < b) }'; then
    json_own_seconds=$own
  fi
}

# The largest report a DAT of this size gives: OLD against a DAT without sets, so that every set
# of OLD is in the report with all its ROMs. Prints setdelta's own figure for writing it, best of
# the runs, and the report's size and sets.
largest_report() {
  local best="" own
  printf '<?xml version="1.0"?>\n<mame build="empty"></mame>\n' >"$work/empty.xml"
  for ((round = 1; round <= runs; round++)); do
    rm -f "$work/report.json"
    if ! (cd "$work" && "$setdelta" --json report.json "$data/old.xml" empty.xml >"$work/output" 2>&1); then
      echo "run.sh: failed: setdelta --json report.json $data/old.xml empty.xml" >&2
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

check_setdelta_output() {
  local index=$1
  if [ ! -s "$work/setdelta.dat" ]; then
    echo "run.sh: ${labels[index]} exited 0 but wrote no setdelta.dat" >&2
    exit 1
  fi
  written_sets[index]=$(grep -cE '^(game|machine|resource) \(' "$work/setdelta.dat" || true)
  if ((index == 1)); then
    default_summary=$(head -n 20 "$work/output")
  fi
}


old_bytes=$(stat -c %s "$data/old.xml")
new_bytes=$(stat -c %s "$data/new.xml")
cat "$data"/*.xml "$data"/*.zip "$build"/bench-data/*-"$copies"/*.xml >/dev/null # a warm page cache

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for ((round = 1; round <= runs; round++)); do
  echo "Round $round of $runs"
  for index in "${!commands[@]}"; do
    run_once "$index"
  done
done

printf '\nsetdelta benchmark: %s sets; OLD %s MiB, NEW %s MiB, zipped %s MiB and %s MiB; shapes: %s copies each\n' \
  "$sets" "$(mib "$old_bytes")" "$(mib "$new_bytes")" "$(mib "$(stat -c %s "$data/old.zip")")" \
  "$(mib "$(stat -c %s "$data/new.zip")")" "$copies"
printf 'wall and CPU (user + system) time: best of %s run(s); peak RSS: largest of them\n' "$runs"
printf 'load average before: %s, after: %s (2 cores: other work skews the wall times)\n\n' \
  "$load_before" "$(cut -d' ' -f1-3 /proc/loadavg)"
row='%-40s %8s %9s %7s %14s %9s   %s\n'
# shellcheck disable=SC2059 # the format is the table's layout, kept in one place
printf "$row" "run" "wall s" "ratio" "cpu s" "peak RSS MiB" "sets out" "target (ratio to the row it is compared with)"
for index in "${!commands[@]}"; do
  base=${baselines[index]}
  ratio=$(awk -v a="${best_seconds[index]}" -v b="${best_seconds[base]}" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
  verdict=""
  if [ -n "${targets[index]}" ]; then
    pass=$(awk -v r="$ratio" -v t="${targets[index]}" 'BEGIN { print (r <= t) ? "PASS" : "MISS" }')
    verdict="<= ${targets[index]} x '${labels[base]}': $pass"
  fi
  # shellcheck disable=SC2059
  printf "$row" "${labels[index]}" "${best_seconds[index]}" "$ratio" "${best_cpu[index]}" \
    "$(mib $((peak_kib[index] * 1024)))" "${written_sets[index]:--}" "$verdict"
done
printf '\nshapes against the pass over OLD alone (wall) and CPU against CPU of the pass over OLD+NEW:\n'
for i in "${!shape_rows[@]}"; do
  index=${shape_rows[i]}
  printf '  %-36s wall %s x OLD pass, CPU %s x OLD+NEW pass CPU\n' "${labels[index]}" \
    "$(awk -v a="${best_seconds[index]}" -v b="${best_seconds[shape_old_rows[i]]}" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')" \
    "$(awk -v a="${best_cpu[index]}" -v b="${best_cpu[baselines[index]]}" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')"
done
printf '\npeak RSS of setdelta (defaults) against the combined input (%s MiB): %s\n' \
  "$(mib $((old_bytes + new_bytes)))" \
  "$( ((peak_kib[1] * 1024 < old_bytes + new_bytes)) && echo below || echo ABOVE)"
printf '\nJSON report: %s MiB, %s sets; written in %s s (setdelta'"'"'s own figure, best of the runs)\n' \
  "$(mib "$json_bytes")" "$json_sets" "$json_own_seconds"
read -r largest_seconds largest_bytes largest_sets < <(largest_report)
printf 'largest report (OLD against a DAT without sets): %s MiB, %s sets; written in %s s\n' \
  "$(mib "$largest_bytes")" "$largest_sets" "$largest_seconds"
if [ -n "$default_summary" ]; then
  printf '\nsetdelta (defaults), last run, said:\n%s\n' "$default_summary"
fi
