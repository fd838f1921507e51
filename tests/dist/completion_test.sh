#!/usr/bin/env bash
# The installed bash completion, as an interactive bash loads it: the switches of each
# program's --help, the values of -o, and file names where a file goes.
#
#   completion_test.sh BUILD_DIR PROGRAM...
set -euo pipefail
source "$(dirname "$0")/help_options.sh"
build=$1
shift

install_into_scratch "$build"

source /usr/share/bash-completion/bash_completion
completions=$prefix/share/bash-completion/completions
mkdir "$scratch/dats"
touch "$scratch/dats/mame0250.dat" "$scratch/dats/mame0251.zip" "$scratch/dats/header.dat"
cd "$scratch/dats"

# The words bash would offer for the command line given, the cursor at its end; one a line, sorted.
complete_line() {
  local line=$1
  COMP_LINE=$line COMP_POINT=${#line}
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *' ' ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  local function
  function=$(complete -p "${COMP_WORDS[0]}" | sed -E 's/.*-F ([^ ]+) .*/\1/')
  "$function" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort -u | sed '/^$/d'
}

failures=0
expect() {
  local line=$1 expected=$2 offered
  offered=$(complete_line "$line")
  if [[ $offered != "$expected" ]]; then
    echo "'$line<TAB>' offers:" $offered "; expected:" $expected >&2
    failures=$((failures + 1))
  fi
}

for program in "$@"; do
  source "$completions/$program"
  help_options=$(help_synopsis_options "$prefix/bin/$program")
  case $program in
    setdelta)
      same_options "setdelta --help" "$help_options" "its completion" "$(complete_line "setdelta -")" \
        || failures=$((failures + 1))
      expect "setdelta -o " $'disk\nsample'
      expect "setdelta -m -d1 mame025" $'mame0250.dat\nmame0251.zip'
      expect "setdelta --json head" "header.dat"
      ;;
    quillon)
      offered=$( (complete_line "quillon -"; complete_line "quillon --make-diff a b c -"
                  complete_line "quillon --rename-sets r.json roms -") | sort -u)
      same_options "quillon --help" "$help_options" "its completion" "$offered" || failures=$((failures + 1))
      expect "quillon -f mame0251" "mame0251.zip"
      expect "quillon --make-diff mame0250.dat mame0251" "mame0251.zip"
      expect "quillon --make-diff a b c --header-from h" "header.dat"
      expect "quillon --make-diff a b c --z" "--zip"
      expect "quillon --rename-sets r.json ../da" "../dats"
      ;;
  esac
done
[[ $failures == 0 ]] && echo "bash completes the switches of $* and file names where a file goes"
exit $failures
