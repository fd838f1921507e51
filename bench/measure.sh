# Sourced by the benchmark scripts: a table of measurements, each run as a whole process under
# /usr/bin/time, keeping the best wall and CPU time and the peak resident memory of its runs.
#
#   measure LABEL BASELINE TARGET COMMAND...   adds a row: BASELINE is the index of the row it is
#                                              compared with, TARGET the ratio it must meet
#   time_once INDEX                            runs row INDEX once in $work, folding in its figures
# The caller sets $work and names itself in $bench_name for messages.

labels=()
baselines=()
targets=()
commands=()
measure() {
  labels+=("$1")
  baselines+=("$2")
  targets+=("$3")
  shift 3
  commands+=("$(printf '%q ' "$@")")
}

best_seconds=()
best_cpu=()
peak_kib=()
time_once() {
  local index=$1 seconds user system kib cpu
  if ! (cd "$work" && eval "/usr/bin/time -f '%e %U %S %M' -o '$work/timing' ${commands[index]}" \
    >"$work/output" 2>&1); then
    echo "$bench_name: failed: ${commands[index]}" >&2
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
}

mib() { awk -v bytes="$1" 'BEGIN { printf "%.1f", bytes / 1048576 }'; }
