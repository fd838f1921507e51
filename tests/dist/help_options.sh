# Sourced by the tests that hold documentation against a program's --help.

# Installs BUILD_DIR into a scratch folder ($prefix under $scratch, removed at exit), which is
# also the home of the programs run from there, with no display.
install_into_scratch() {
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  prefix=$scratch/prefix
  cmake --install "$1" --prefix "$prefix" >/dev/null
  export HOME=$scratch XDG_CONFIG_HOME=$scratch/config XDG_CACHE_HOME=$scratch/cache \
         XDG_STATE_HOME=$scratch/state TMPDIR=$scratch
  unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
}

# The options that the synopsis of `PROGRAM --help` names (the lines from "Usage:" to the first
# blank line), one a line, sorted: "[-o disk|-o sample]" names -o, "[--json FILE]" --json.
help_synopsis_options() {
  "$@" --help | sed -n '/^Usage:/,/^$/p' | { grep -oE '(^|[][ |])--?[a-z][a-z0-9-]*' || true; } \
    | sed -E 's/^[][ |]//' | sort -u
}

# Prints what is in only one of two sorted lists, under the names given, and fails if anything is.
same_options() {
  local first_name=$1 first=$2 second_name=$3 second=$4 only_first only_second
  only_first=$(comm -23 <(echo "$first") <(echo "$second"))
  only_second=$(comm -13 <(echo "$first") <(echo "$second"))
  [[ -z $only_first ]] || echo "in $first_name but not in $second_name:" $only_first >&2
  [[ -z $only_second ]] || echo "in $second_name but not in $first_name:" $only_second >&2
  [[ -n $first && -z $only_first && -z $only_second ]]
}
