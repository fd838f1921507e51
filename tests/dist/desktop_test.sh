#!/usr/bin/env bash
# What the desktop reads of an installed Quillon: the desktop entry passes desktop-file-validate
# without a remark, the AppStream metainfo and the tree it describes pass appstreamcli (no
# network), its screenshot is the README's, and the icon is there in every usual size.
#
#   desktop_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build" --prefix "$scratch/usr" >/dev/null
share=$scratch/usr/share
failures=0
fail() { echo "$*" >&2; failures=$((failures + 1)); }

# desktop-file-validate fails only on errors; its warnings and hints count here too.
remarks=$(desktop-file-validate "$share/applications/quillon.desktop" 2>&1) || true
[[ -z $remarks ]] || fail "desktop-file-validate: $remarks"

metainfo=$(echo "$share"/metainfo/*.metainfo.xml)
[[ -f $metainfo ]] || fail "no metainfo file in $share/metainfo"
appstreamcli validate-tree --no-net "$scratch" >"$scratch/appstream.txt" 2>&1 \
  || fail "appstreamcli validate-tree: $(cat "$scratch/appstream.txt")"
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[[ $launchable == quillon.desktop ]] || fail "the metainfo launches '$launchable'"

screenshot=$(sed -n 's:.*<image>\(.*\)</image>.*:\1:p' "$metainfo")
readme_image=$(sed -n 's/^!\[[^]]*\](\(.*\))$/\1/p' "$source/README.md" | head -1)
[[ -n $readme_image && $screenshot == */"$readme_image" ]] \
  || fail "the metainfo's screenshot '$screenshot' is not the README's '$readme_image'"
[[ $screenshot != *@* ]] || fail "an unfilled value in the metainfo: $screenshot"

for size in 16 32 48 64 128 256; do
  icon=$share/icons/hicolor/${size}x${size}/apps/quillon.png
  file -b "$icon" 2>/dev/null | grep -q "^PNG image data, $size x $size," || fail "no ${size}x${size} PNG icon at $icon"
done
[[ -f $share/icons/hicolor/scalable/apps/quillon.svg ]] || fail "no scalable icon"

[[ $failures == 0 ]] && echo "desktop entry, metainfo and icons of the installed tree validate"
exit $failures
