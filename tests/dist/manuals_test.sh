#!/usr/bin/env bash
# The installed manual page of each program names exactly the options of its --help synopsis
# in OPTIONS, and the version that --version prints.
#
#   manuals_test.sh BUILD_DIR PROGRAM...
set -euo pipefail
source "$(dirname "$0")/help_options.sh"
build=$1
shift

install_into_scratch "$build"

# The page's source as plain words: "\-" is a hyphen, font changes go.
plain_manual() {
  gzip -dc "$1" | sed -E 's/\\-/-/g; s/\\f[BIRP]//g'
}

# The options named in the tags of the OPTIONS section (the line after each .TP).
manual_options() {
  plain_manual "$1" | sed -n '/^\.SH OPTIONS/,/^\.SH /p' | sed -n '/^\.TP/{n;p}' \
    | { grep -oE '(^|[ ,"])--?[a-z][a-z0-9-]*' || true; } | sed -E 's/^[ ,"]//' | sort -u
}

status=0
for program in "$@"; do
  manual=$prefix/share/man/man1/$program.1.gz
  [[ -f $manual ]] || { echo "no manual page $manual" >&2; status=1; continue; }
  same_options "$program --help" "$(help_synopsis_options "$prefix/bin/$program")" \
               "$program(1)" "$(manual_options "$manual")" || status=1
  version=$("$prefix/bin/$program" --version)
  manual_version=$(plain_manual "$manual" | sed -n 's/^\.TH [^"]*"[^"]*" "\([^"]*\)".*/\1/p')
  [[ $manual_version == "$version" ]] \
    || { echo "$program(1) says '$manual_version', $program --version '$version'" >&2; status=1; }
done
[[ $status == 0 ]] && echo "the manual pages of $* name the options and version of their --help"
exit $status
