#!/usr/bin/env bash
# Checks a Debian package of Quillon as users get it: what it installs, that its dependencies
# name the libraries the programs link, and that quillon --make-diff and setdelta run from the
# unpacked package as an ordinary user (nobody, when run as root) without a display, making the
# same diff. With --lintian, lintian must find no error too.
#
#   scripts/check-package.sh [--lintian] PACKAGE.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
with_lintian=false
if [[ ${1:-} == --lintian ]]; then
  with_lintian=true
  shift
fi
package=$1
fail() { echo "check-package.sh: $*" >&2; exit 1; }

if $with_lintian; then
  lintian --fail-on error --tag-display-limit 0 "$package"
fi

[[ $(basename "$package") == quillon_$(dpkg-deb --field "$package" Version)_$(dpkg-deb --field "$package" Architecture).deb ]] \
  || fail "$(basename "$package") is not named quillon_<version>_<architecture>.deb"
depends=$(dpkg-deb --field "$package" Depends)
depended=$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//')
for library in libqt6widgets6 libqt6network6 libzip4 libexpat1 zlib1g libstdc++6; do
  grep -qxF "$library" <<<"$depended" || fail "Depends lacks $library: $depends"
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
dpkg-deb -x "$package" "$scratch/root"
for path in usr/bin/quillon usr/bin/setdelta usr/lib/quillon/quillon usr/lib/quillon/sdelta/setdelta \
            usr/share/man/man1/quillon.1.gz usr/share/man/man1/setdelta.1.gz \
            usr/share/bash-completion/completions/quillon usr/share/bash-completion/completions/setdelta \
            usr/share/applications/quillon.desktop usr/share/metainfo/io.github.quillon_dats.quillon.metainfo.xml \
            usr/share/icons/hicolor/48x48/apps/quillon.png usr/share/doc/quillon/copyright; do
  [[ -e $scratch/root/$path ]] || fail "the package lacks /$path"
done

mkdir "$scratch/in" "$scratch/home"
cp "$root/demo/quillon_demo_1.0.dat" "$root/demo/quillon_demo_1.1.zip" "$scratch/in/"
chmod -R a+rX "$scratch/in" "$scratch/root"
as_user() {
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM UNPRIVILEGED_HOME="$scratch/home" \
    "$root/tests/unprivileged.sh" "$@"
}
written=$(as_user "$scratch/root/usr/bin/quillon" --make-diff "$scratch/in/quillon_demo_1.0.dat" \
  "$scratch/in/quillon_demo_1.1.zip" "$scratch/home/diff" --switches "-m -d1 -r")
[[ $written == "$scratch/home/diff.dat" ]] || fail "quillon --make-diff printed '$written'"
as_user /bin/sh -c "cd '$scratch/home' && '$scratch/root/usr/bin/setdelta' -m -d1 -r \
  '$scratch/in/quillon_demo_1.0.dat' '$scratch/in/quillon_demo_1.1.zip' >/dev/null"
cmp "$scratch/home/diff.dat" "$scratch/home/setdelta.dat" || fail "quillon and setdelta made different diffs"
echo "check-package.sh: $(basename "$package")$($with_lintian && echo " passes lintian;") installs what it should;" \
     "its quillon and setdelta made the same diff as $(stat -c %U "$scratch/home/diff.dat")"
