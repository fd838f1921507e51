#!/usr/bin/env bash
# Times Quillon's header copy (AppendDatWithoutHeader) against sed, its zipping (AddToZip)
# and extraction against gzip -6 and gunzip, and its complete-or-nothing copy
# (CopyFileReplacing) against cp followed by sync of the copy, over the same DAT of about 270 MB,
# in one run.
set -euo pipefail

usage() {
  cat <<'TEXT'
usage: bench/header_zip.sh [--sets N] [--runs N] [--quick]
  --sets N   sets in the generated DAT (default 45000, about 270 MB, or $BENCH_SETS)
  --runs N   runs of each measurement, best time kept (default 3, or $BENCH_RUNS)
  --quick    5000 sets, one run: a check that everything works, not a measurement
The build goes to build-bench-gui/ (or $BENCH_GUI_BUILD_DIR), the DAT to its bench-data/ folder.
TEXT
}

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
sets=${BENCH_SETS:-45000}
runs=${BENCH_RUNS:-3}
build=${BENCH_GUI_BUILD_DIR:-$root/build-bench-gui}
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
  [[ $number =~ ^[1-9][0-9]*$ ]] || { echo "header_zip.sh: '$number' is not a positive number" >&2; exit 1; }
done
for tool in sed gzip gunzip cmp; do
  command -v "$tool" >/dev/null || { echo "header_zip.sh: $tool is missing" >&2; exit 1; }
done

echo "Building datgen and header_zip_bench (Release, with Qt) in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_GUI=ON >/dev/null
cmake --build "$build" --target datgen header_zip_bench >/dev/null
datgen=$build/bench/datgen
driver=$build/bench/header_zip_bench

# A listxml DAT with a header block on top, so the header copy has a block to leave out. The
# stamp is written only once the DAT is complete, so a half-written one is never reused.
data=$build/bench-data/$sets
dat=$data/bench.dat
stamp="$("$datgen" --version) sets=$sets header"
if [ "$(cat "$data/stamp" 2>/dev/null)" != "$stamp" ]; then
  echo "Generating $sets sets into $data"
  mkdir -p "$data"
  rm -f "$data/stamp"
  "$datgen" --sets "$sets" "$data/old.xml" "$data/new.xml" >/dev/null
  { printf 'clrmamepro (\r\n\tname "bench"\r\n\tdescription "bench"\r\n)\r\n'; cat "$data/old.xml"; } >"$dat"
  rm -f "$data/old.xml" "$data/new.xml"
  echo "$stamp" >"$data/stamp"
else
  echo "Reusing the DAT in $data"
fi

work=$(mktemp -d "$build/bench-work.XXXXXX")
trap 'rm -rf "$work"' EXIT

names=("sed -e 's/\$/\\r/'" "AppendDatWithoutHeader" "gzip -6" "AddToZip" "gunzip" "extraction"
  "cp + sync" "CopyFileReplacing")
# Each measurement is a shell function; the outputs go to $work and are removed before each run.
measure_0() { sed -e 's/$/\r/' "$dat" >"$work/sed.out"; }
measure_1() { rm -f "$work/append.out"; "$driver" append "$work/append.out" "$dat"; }
measure_2() { gzip -6 -c "$dat" >"$work/bench.dat.gz"; }
measure_3() { rm -f "$work/bench.zip"; "$driver" zip "$work/bench.zip" "$dat" "$dat"; }
measure_4() { gunzip -c "$work/bench.dat.gz" >"$work/gunzip.out"; }
measure_5() { "$driver" unzip "$work/bench.zip" bench.dat "$work/unzip.out"; }
# The copy replaces a file and is on disk when done, so the baseline flushes its copy too.
measure_6() { rm -f "$work/cp.out"; cp "$dat" "$work/cp.out"; sync "$work/cp.out"; }
measure_7() { rm -f "$work/copy.out"; "$driver" copy "$dat" "$work/copy.out"; }

best=()
seconds_of() {
  local start end
  start=$EPOCHREALTIME
  "measure_$1"
  end=$EPOCHREALTIME
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }'
}

cat "$dat" >/dev/null # start every measurement from a warm page cache
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for ((round = 1; round <= runs; round++)); do
  echo "Round $round of $runs"
  for ((index = 0; index < ${#names[@]}; index++)); do
    seconds=$(seconds_of "$index")
    if [ -z "${best[index]:-}" ] || awk -v a="$seconds" -v b="${best[index]}" 'BEGIN { exit !(a < b) }'; then
      best[index]=$seconds
    fi
  done
done

# The results must be right before their times mean anything.
cmp -s "$work/unzip.out" "$dat" || { echo "header_zip.sh: the extracted DAT differs" >&2; exit 1; }
cmp -s "$work/gunzip.out" "$dat" || { echo "header_zip.sh: gunzip's output differs" >&2; exit 1; }
cmp -s "$work/copy.out" "$dat" || { echo "header_zip.sh: the copy differs" >&2; exit 1; }
expected_size=$(($(stat -c %s "$work/sed.out") - $(head -n 4 "$work/sed.out" | wc -c)))
[ "$(stat -c %s "$work/append.out")" -eq "$expected_size" ] ||
  { echo "header_zip.sh: the header copy is not the DAT less its block" >&2; exit 1; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
verdict() { awk -v r="$1" -v t="$2" 'BEGIN { print (r <= t ? "PASS" : "MISS") }'; }
sum() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a + b }'; }

printf '\nheader and zip benchmark: %s sets, DAT %s MiB, zip %s MiB, gzip %s MiB\n' "$sets" \
  "$(awk -v b="$(stat -c %s "$dat")" 'BEGIN { printf "%.1f", b / 1048576 }')" \
  "$(awk -v b="$(stat -c %s "$work/bench.zip")" 'BEGIN { printf "%.1f", b / 1048576 }')" \
  "$(awk -v b="$(stat -c %s "$work/bench.dat.gz")" 'BEGIN { printf "%.1f", b / 1048576 }')"
printf 'wall time: best of %s run(s); load average before: %s, after: %s\n\n' "$runs" "$load_before" \
  "$(cut -d' ' -f1-3 /proc/loadavg)"
row='%-40s %10s %-16s %10s %7s %7s %s\n'
# shellcheck disable=SC2059 # the format is the table's layout, kept in one place
printf "$row" "Quillon" "s" "baseline" "s" "ratio" "target" "verdict"
report() {
  local name=$1 ours=$2 baseline_name=$3 baseline=$4 target=$5 r
  r=$(ratio "$ours" "$baseline")
  # shellcheck disable=SC2059
  printf "$row" "$name" "$ours" "$baseline_name" "$baseline" "$r" "$target" "$(verdict "$r" "$target")"
}
report "${names[1]}" "${best[1]}" "sed" "${best[0]}" 1.2
report "${names[3]}" "${best[3]}" "gzip -6" "${best[2]}" 1.1
report "${names[5]}" "${best[5]}" "gunzip" "${best[4]}" 1.1
report "${names[7]}" "${best[7]}" "cp + sync" "${best[6]}" 1.1
report "AddToZip + extraction" "$(sum "${best[3]}" "${best[5]}")" "gzip + gunzip" \
  "$(sum "${best[2]}" "${best[4]}")" 1.1
