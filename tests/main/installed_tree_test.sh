#!/usr/bin/env bash
# Installs Quillon into a scratch prefix that the user cannot write, checks that quillon and
# setdelta share one application folder with the link, desktop entry and icon in their places,
# then makes a diff through the command line as an ordinary user with no display, as after the
# README's install. The result must equal setdelta's own output, and nothing may be written into
# the installed tree.
#
#   installed_tree_test.sh BUILD_DIR SOURCE_DIR LIBDIR
set -euo pipefail
build=$1 source=$2 libdir=$3
tests=$(cd "$(dirname "$0")/.." && pwd)

scratch=$(mktemp -d)
trap 'chmod -R u+w "$scratch"; rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for path in "$libdir/quillon/quillon" "$libdir/quillon/sdelta/setdelta" bin/quillon \
            share/applications/quillon.desktop share/icons/hicolor/scalable/apps/quillon.svg; do
  [[ -e $prefix/$path ]] || { echo "missing after install: $path" >&2; exit 1; }
done
[[ $(readlink "$prefix/bin/quillon") == "../$libdir/quillon/quillon" ]] || { echo "bin/quillon points elsewhere" >&2; exit 1; }
chmod -R a-w "$prefix"
touch "$scratch/installed"

mkdir -p "$scratch/in" "$scratch/home"
cp "$source/demo/quillon_demo_1.0.dat" "$source/demo/quillon_demo_1.1.zip" "$scratch/in/"
chmod -R a+rX "$scratch/in"
switches="-m -d1 -r"

result=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM UNPRIVILEGED_HOME="$scratch/home" \
  "$tests/unprivileged.sh" "$prefix/bin/quillon" --make-diff "$scratch/in/quillon_demo_1.0.dat" \
  "$scratch/in/quillon_demo_1.1.zip" "$scratch/home/diff" --switches "$switches")
[[ $result == "$scratch/home/diff.dat" ]] || { echo "quillon printed '$result' instead of the path written" >&2; exit 1; }

# The demo archive holds the demo's 1.1 DAT as it stands.
mkdir "$scratch/reference"
# shellcheck disable=SC2086 # the switches are several words
(cd "$scratch/reference" && "$prefix/$libdir/quillon/sdelta/setdelta" $switches \
  "$scratch/in/quillon_demo_1.0.dat" "$source/demo/quillon_demo_1.1.dat" >/dev/null)
cmp "$scratch/reference/setdelta.dat" "$scratch/home/diff.dat"

# The installed setdelta tells its progress on a descriptor it inherits, as Quillon runs it.
progress=$(cd "$scratch/home" && UNPRIVILEGED_HOME="$scratch/home" "$tests/unprivileged.sh" \
  "$prefix/bin/setdelta" --progress-fd 3 "$scratch/in/quillon_demo_1.0.dat" "$scratch/in/quillon_demo_1.1.zip" \
  3>&1 >/dev/null)
zip_size=$(stat -c %s "$scratch/in/quillon_demo_1.1.zip")
grep -qE "^progress writing ([0-9]+) \1 $zip_size $zip_size\$" <<<"$progress" \
  || { echo "no progress up to the inputs' sizes from the installed setdelta: $progress" >&2; exit 1; }

written=$(find "$prefix" -newer "$scratch/installed")
[[ -z $written ]] || { echo "written into the installed tree: $written" >&2; exit 1; }
! compgen -G "$scratch/home/.cache/Quillon/run-*" >/dev/null || { echo "a run folder was left behind" >&2; exit 1; }
echo "installed quillon made the diff as $(stat -c %U "$scratch/home/diff.dat")"
