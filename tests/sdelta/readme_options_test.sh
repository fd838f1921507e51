#!/usr/bin/env bash
# setdelta's --help is the one list of its options; the README's table of options must name
# exactly the same ones, so that neither can gain or lose an option unnoticed.
#
#   readme_options_test.sh SETDELTA README
set -euo pipefail
setdelta=$1 readme=$2

# The options of the help's synopsis: the lines from "Usage:" to the first blank line.
help_options=$("$setdelta" --help | sed -n '/^Usage:/,/^$/p' \
  | grep -oE '(^|[][ |])--?[a-z][a-z0-9-]*' | sed -E 's/^[][ |]//' | sort -u)
# The options the README's table names: the first word of each quoted name in the table's
# first column ("`-o disk`" names -o, "`--json=FILE`" names --json).
readme_options=$(sed -n '/^## Options$/,/^## /p' "$readme" | { grep '^| `' || true; } | cut -d'|' -f2 \
  | { grep -oE '`--?[a-z][a-z0-9-]*' || true; } | tr -d '`' | sort -u)

[[ -n $help_options ]] || { echo "no options found in setdelta --help" >&2; exit 1; }
only_help=$(comm -23 <(echo "$help_options") <(echo "$readme_options"))
only_readme=$(comm -13 <(echo "$help_options") <(echo "$readme_options"))
[[ -z $only_help ]] || echo "in setdelta --help but not in the Options of $readme:" $only_help >&2
[[ -z $only_readme ]] || echo "in the Options of $readme but not in setdelta --help:" $only_readme >&2
[[ -z $only_help && -z $only_readme ]]
echo "setdelta --help and $readme list the same options:" $help_options
