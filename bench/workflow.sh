#!/usr/bin/env bash
# Times two whole commands of Quillon in one run, each beside its baseline:
#  - DAT creation from a program that prints about 270 MB (gzip -dc, standing in for MAME), against
#    the shell redirecting the same program's output to a file (target: at most 1.05 times);
#  - Make Diff on the MAME-size pair of bench/run.sh, header cancelled and no zip, against
#    setdelta run alone on the same pair (target: at most 1.2 times);
#  - Make Diff on the same pair zipped, which setdelta reads in place, against setdelta alone on
#    the unzipped pair (target: at most 1.15 times).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
sets=${BENCH_SETS:-45000}
runs=${BENCH_RUNS:-5}
build=${BENCH_GUI_BUILD_DIR:-$root/build-bench-gui}
case ${1:-} in
  --quick) sets=5000; runs=1 ;;
  "") ;;
  *) echo "usage: bench/workflow.sh [--quick]   (BENCH_SETS, BENCH_RUNS, BENCH_GUI_BUILD_DIR)" >&2; exit 1 ;;
esac

echo "Building setdelta, datgen and workflow_bench (Release, with Qt) in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_GUI=ON >/dev/null
cmake --build "$build" --target setdelta datgen workflow_bench >/dev/null

data=$build/bench-data/pair-$sets
stamp="$("$build/bench/datgen" --version) sets=$sets"
if [ "$(cat "$data/stamp" 2>/dev/null)" != "$stamp" ]; then
  echo "Generating $sets sets into $data"
  mkdir -p "$data"
  rm -f "$data/stamp"
  "$build/bench/datgen" --sets "$sets" "$data/old.xml" "$data/new.xml" >/dev/null
  echo "$stamp" >"$data/stamp"
fi
old=$data/old.xml
new=$data/new.xml
[ -f "$old.gz" ] || gzip -1 -k "$old"
[ -f "$data/old.zip" ] || (cd "$data" && zip -q -1 old.zip old.xml)
[ -f "$data/new.zip" ] || (cd "$data" && zip -q -1 new.zip new.xml)

work=$(mktemp -d "$build/bench-work.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/app/sdelta"
ln -s "$build/sdelta/setdelta" "$work/app/sdelta/setdelta"

seconds() { # the wall time of a command, in seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  awk -v start="$start" -v end="$end" 'BEGIN { print end - start }'
}
best() { sort -g | head -n 1; }

shell_create=() quillon_create=() setdelta_alone=() quillon_diff=() quillon_zipped=()
for ((run = 1; run <= runs; run++)); do
  echo "Round $run of $runs"
  # Each writes a new file, after the writeback of the earlier ones, so none pays for another.
  # gzip -dc stands in for MAME: a program that works out its output as it prints it.
  # The two take turns going first, so that neither always meets the other's leftovers.
  rm -f "$work/shell.dat" "$work/quillon.dat" && sync
  if ((run % 2)); then shell_first=1; else shell_first=0; fi
  if ((shell_first)); then shell_create+=("$(seconds sh -c "gzip -dc '$old.gz' > '$work/shell.dat'")"); sync; fi
  quillon_create+=("$("$build/bench/workflow_bench" create "$work/quillon.dat" gzip -dc "$old.gz")")
  sync
  if ((!shell_first)); then shell_create+=("$(seconds sh -c "gzip -dc '$old.gz' > '$work/shell.dat'")"); sync; fi
  setdelta_alone+=("$(cd "$work" && seconds "$build/sdelta/setdelta" -s -d2 -z "$old" "$new")")
  quillon_diff+=("$("$build/bench/workflow_bench" makediff "$work/app" "$old" "$new" "$work/diff.dat")")
  cmp -s "$work/setdelta.dat" "$work/diff.dat" || { echo "workflow.sh: Make Diff wrote another result" >&2; exit 1; }
  quillon_zipped+=("$("$build/bench/workflow_bench" makediff "$work/app" "$data/old.zip" "$data/new.zip" "$work/zipped.dat")")
  cmp -s "$work/setdelta.dat" "$work/zipped.dat" || { echo "workflow.sh: Make Diff of the zips wrote another result" >&2; exit 1; }
done

cmp -s "$old" "$work/quillon.dat" || { echo "workflow.sh: the created DAT differs from the output" >&2; exit 1; }

report() { # name, baseline times, Quillon times, target
  local base quillon ratio verdict
  base=$(printf '%s\n' $2 | best)
  quillon=$(printf '%s\n' $3 | best)
  ratio=$(awk -v q="$quillon" -v b="$base" 'BEGIN { print q / b }')
  verdict=$(awk -v r="$ratio" -v t="$4" 'BEGIN { print (r <= t) ? 1 : 0 }')
  printf '%-34s %8.3f %8.3f %7.2f   <= %-5s %s\n' "$1" "$base" "$quillon" "$ratio" "$4" \
    "$([ "$verdict" = 1 ] && echo PASS || echo MISS)"
}

echo
echo "Quillon's commands, $sets sets ($(du -m "$old" | cut -f1) MiB per DAT), best of $runs; load: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-34s %8s %8s %7s   %s\n' "command" "base s" "Quillon" "ratio" "target"
report "DAT creation vs shell redirect" "${shell_create[*]}" "${quillon_create[*]}" 1.05
report "Make Diff vs setdelta alone" "${setdelta_alone[*]}" "${quillon_diff[*]}" 1.2
report "Make Diff of zips vs setdelta alone" "${setdelta_alone[*]}" "${quillon_zipped[*]}" 1.15
