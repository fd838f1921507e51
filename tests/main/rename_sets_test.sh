#!/usr/bin/env bash
# quillon --rename-sets and --undo as a script runs them: the installed tree (installed into a
# scratch prefix, as the README says), run as an ordinary user (nobody when the tests run as
# root), with no display, on real folders. The plan changes nothing; --apply trades names,
# follows chains and skips a taken name; a folder that turns read-only stops the run and the
# journal puts back what was done; a file size limit stops it before the first rename; usage
# errors say so.
#
#   rename_sets_test.sh BUILD_DIR
set -euo pipefail
build=$1
tests=$(cd "$(dirname "$0")/.." && pwd)

scratch=$(mktemp -d)
trap 'chmod -R u+w "$scratch"; rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
chmod -R a-w "$scratch/prefix"
quillon=$scratch/prefix/bin/quillon
home=$scratch/home
mkdir -p "$home"
fail() { echo "FAIL: $*" >&2; exit 1; }

as_user() {
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM UNPRIVILEGED_HOME="$home" "$tests/unprivileged.sh" "$quillon" "$@"
}
# Runs quillon as the user under a file size limit of 0; its messages come through a pipe, which
# the limit does not cover.
# shellcheck disable=SC2016 # "$0" and "$@" are the inner shell's
as_user_limited() {
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM UNPRIVILEGED_HOME="$home" \
    "$tests/unprivileged.sh" /bin/bash -c 'ulimit -f 0; exec "$0" "$@"' "$quillon" "$@"
}
run() { # run STDOUT STDERR ARGS...: the exit status in $status
  local out=$1 err=$2
  shift 2
  status=0
  "$@" >"$out" 2>"$err" || status=$?
}
# Each entry of a folder with what it holds, sorted, so that where bytes went shows.
listing() {
  local entry
  while IFS= read -r entry; do
    printf '%s=%s\n' "$entry" "$(cat "$1/$entry/"* "$1/$entry" 2>/dev/null)"
  done < <(find "$1" -mindepth 1 -maxdepth 1 -printf '%f\n' | sort)
}

# A collection: a and b trade names, c becomes d while d becomes e, x's new name is taken.
collection=$scratch/collection
mkdir -p "$collection/roms" "$collection/chd/sf1" "$collection/cfg"
for name in a.zip b.zip c.zip d.zip sf1.zip x.zip y.zip sf10.zip; do echo "$name" >"$collection/roms/$name"; done
echo disk >"$collection/chd/sf1/disk.chd"
echo cfg >"$collection/cfg/sf1.cfg"
cat >"$scratch/report.json" <<'EOF'
{"format": "setdelta-report", "version": 2, "summary": {"moved_sets": 6},
 "moved_sets": [
  {"old": {"name": "a", "description": "A"}, "new": {"name": "b", "description": "B"}},
  {"old": {"name": "b"}, "new": {"name": "a"}},
  {"old": {"name": "c"}, "new": {"name": "d"}},
  {"old": {"name": "d"}, "new": {"name": "e"}},
  {"old": {"name": "x"}, "new": {"name": "y"}},
  {"old": {"name": "sf1"}, "new": {"name": "sf"}}],
 "sets": []}
EOF
chmod -R a+rwX "$collection"
chmod a+r "$scratch/report.json"
before=$(listing "$collection/roms")

# The plan: one line per entry, and nothing changes.
run "$scratch/out" "$scratch/err" as_user --rename-sets "$scratch/report.json" "$collection/roms" "$collection/chd"
[[ $status == 0 ]] || fail "the plan ended with $status: $(cat "$scratch/err")"
r=$collection/roms
expected=$(printf '%s\t%s\t%s\t%s\n' \
  "$r" a.zip b.zip "rename, through a temporary name (names trade places)" "$r" b.zip a.zip rename \
  "$r" c.zip d.zip rename "$r" d.zip e.zip rename "$r" x.zip y.zip "skip: y.zip exists" \
  "$r" sf1.zip sf.zip rename "$collection/chd" sf1 sf rename)
[[ $(cat "$scratch/out") == "$expected" ]] || fail "the plan printed:
$(cat "$scratch/out")"
[[ $(listing "$collection/roms") == "$before" ]] || fail "the plan changed the folder"
[[ -z $(ls -A "$home/.local/state/Quillon" 2>/dev/null) ]] || fail "the plan wrote a journal"

# A file size limit: the journal cannot be written, so nothing is renamed.
status=0
as_user_limited --rename-sets "$scratch/report.json" "$collection/roms" --apply 2>&1 >/dev/null | cat >"$scratch/err" \
  || status=$?
[[ $status == 2 ]] || fail "under a file size limit the run ended with $status: $(cat "$scratch/err")"
grep -q '^quillon: Nothing was renamed: the journal cannot be written' "$scratch/err" || fail "no reason given: $(cat "$scratch/err")"
grep -q 'File too large' "$scratch/err" || fail "not the system's reason: $(cat "$scratch/err")"
! grep -q 'To undo' "$scratch/err" || fail "a journal never written is offered for undo"
[[ $(listing "$collection/roms") == "$before" ]] || fail "a run that could not keep its journal renamed something"

# The renames, with cfg turned read-only: roms and chd are renamed, then the run stops.
chmod a-w "$collection/cfg"
run "$scratch/out" "$scratch/err" as_user --rename-sets "$scratch/report.json" "$collection/roms" "$collection/chd" \
  "$collection/cfg" --apply
chmod a+w "$collection/cfg"
[[ $status == 2 ]] || fail "a read-only folder did not stop the run: $status $(cat "$scratch/err")"
grep -q "^quillon: $collection/cfg/sf1.cfg could not be renamed to sf.cfg: Permission denied" "$scratch/err" \
  || fail "no reason for the stop: $(cat "$scratch/err")"
grep -q "$(printf '%s\t%s\t%s\t%s' "$collection/cfg" sf1.cfg sf.cfg 'failed: Permission denied')" "$scratch/out" \
  || fail "the failed entry is not reported: $(cat "$scratch/out")"
[[ $(cat "$collection/roms/a.zip") == b.zip && $(cat "$collection/roms/b.zip") == a.zip ]] || fail "a and b did not trade names"
[[ $(cat "$collection/roms/d.zip") == c.zip && $(cat "$collection/roms/e.zip") == d.zip ]] || fail "the chain went wrong"
[[ $(cat "$collection/roms/x.zip") == x.zip && $(cat "$collection/roms/y.zip") == y.zip ]] || fail "a taken name was replaced"
[[ -f $collection/chd/sf/disk.chd && -f $collection/roms/sf.zip && -f $collection/roms/sf10.zip ]] || fail "sf1 did not become sf"
[[ $(find "$collection" -name '.quillon-rename-*') == "" ]] || fail "a temporary name was left"
journal=$(sed -n 's/.*To undo: quillon --undo //p' "$scratch/err")
[[ $journal == "$home/.local/state/Quillon/"rename-*.journal ]] || fail "no journal named: $(cat "$scratch/err")"
[[ $(stat -c %a "$home/.local/state/Quillon") == 700 && $(stat -c %a "$journal") == 600 ]] || fail "the journal is not the user's alone"
[[ $(stat -c %U "$journal") == $(stat -c %U "$home") ]] || fail "the journal belongs to another user"

# Undo, as the user: everything is back, and the journal is not offered again.
run "$scratch/out" "$scratch/err" as_user --undo "$journal"
[[ $status == 0 ]] || fail "undo ended with $status: $(cat "$scratch/err")"
[[ $(listing "$collection/roms") == "$before" ]] || fail "undo left roms as:
$(listing "$collection/roms")"
[[ -f $collection/chd/sf1/disk.chd && -f $collection/cfg/sf1.cfg ]] || fail "undo left chd or cfg renamed"
[[ -f $journal.undone && ! -e $journal ]] || fail "the undone journal is still offered"

# Usage errors.
for arguments in "--rename-sets" "--rename-sets $scratch/report.json" "--undo" "--rename-sets $scratch/report.json $r --bogus"; do
  # shellcheck disable=SC2086 # the arguments are several words
  run "$scratch/out" "$scratch/err" as_user $arguments
  [[ $status == 1 && ! -s $scratch/out ]] || fail "'$arguments' ended with $status"
  grep -q '^quillon: ' "$scratch/err" || fail "'$arguments' gave no message"
done
run "$scratch/out" "$scratch/err" as_user --rename-sets "$scratch/missing.json" "$r"
[[ $status == 2 ]] || fail "a missing report ended with $status"
grep -q "^quillon: $scratch/missing.json: " "$scratch/err" || fail "a missing report: $(cat "$scratch/err")"
echo "renamed and put back as $(stat -c %U "$home")"
