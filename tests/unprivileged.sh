#!/usr/bin/env bash
# Runs a command as an ordinary user, as Quillon's users run it. Under root (as in CI) the
# command runs as nobody through setpriv; otherwise as the caller. Either way it gets a home of
# its own (HOME, the XDG folders and TMPDIR inside it), owned by the user it runs as.
#
#   unprivileged.sh [--no-skips] COMMAND [ARGUMENTS...]
#
# --no-skips: the command is a GoogleTest program; fail when it skipped a test or ran none, so
# that a test that would skip for root cannot pass unseen.
# UNPRIVILEGED_HOME: use this folder as the home and keep it afterwards (the caller removes it).
set -euo pipefail

no_skips=false
if [[ ${1:-} == --no-skips ]]; then
  no_skips=true
  shift
fi

home=${UNPRIVILEGED_HOME:-}
if [[ -z $home ]]; then
  home=$(mktemp -d)
  trap 'rm -rf "$home"' EXIT
fi
mkdir -p "$home/tmp" "$home/runtime"
chmod 700 "$home/runtime"

as_user=()
program=$1
if [[ $(id -u) == 0 ]]; then
  chown -R nobody:nogroup "$home"
  chmod 755 "$home"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  # A program nobody cannot reach in place (a build tree in root's home) runs from a copy.
  if ! "${as_user[@]}" test -x "$program"; then
    cp "$program" "$home/tmp/"
    chmod 755 "$home/tmp/$(basename "$program")"
    program=$home/tmp/$(basename "$program")
  fi
fi
shift

run() {
  "${as_user[@]}" env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache" \
    XDG_STATE_HOME="$home/.local/state" XDG_RUNTIME_DIR="$home/runtime" TMPDIR="$home/tmp" \
    "$program" "$@"
}

if ! $no_skips; then
  run "$@"
  exit
fi
output=$(run "$@" 2>&1) || { echo "$output"; exit 1; }
echo "$output"
if grep -q '^\[  SKIPPED \]' <<<"$output" || ! grep -q '^\[  PASSED  \] [1-9]' <<<"$output"; then
  echo "unprivileged.sh: a test was skipped or none ran" >&2
  exit 1
fi
