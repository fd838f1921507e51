#!/usr/bin/env bash
# Fails when one of the given programs loads Qt Gui or Qt Widgets: the layers they test must
# work without them.
set -euo pipefail
status=0
for program in "$@"; do
  if ldd "$program" | grep -E 'libQt6(Gui|Widgets)\.so'; then
    echo "$program loads Qt Gui or Qt Widgets" >&2
    status=1
  fi
done
exit $status
