#!/usr/bin/env bash
# setdelta's --help is the one list of its options; the README's table of options must name
# exactly the same ones, so that neither can gain or lose an option unnoticed.
#
#   readme_options_test.sh SETDELTA README
set -euo pipefail
source "$(dirname "$0")/help_options.sh"
setdelta=$1 readme=$2

help_options=$(help_synopsis_options "$setdelta")
# The first word of each quoted name in the first column of the table of options ("`-o disk`"
# names -o, "`--json=FILE`" --json).
readme_options=$(sed -n '/^## Options$/,/^## /p' "$readme" | { grep '^| `' || true; } | cut -d'|' -f2 \
  | { grep -oE '`--?[a-z][a-z0-9-]*' || true; } | tr -d '`' | sort -u)

same_options "setdelta --help" "$help_options" "the Options of $readme" "$readme_options"
echo "setdelta --help and $readme list the same options:" $help_options
