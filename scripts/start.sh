#!/usr/bin/env bash
# Builds Quillon and starts it on the demo DATs shipped in demo/. The demo runs with a settings
# store of its own inside the build folder, so a user's real settings are never touched.
# Extra arguments go to quillon.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja
cmake --build "$build" --target quillon setdelta

demo_home=$build/demo-home
settings=$demo_home/config/Quillon/Quillon.ini
if [ ! -f "$settings" ]; then
  mkdir -p "$(dirname "$settings")"
  cat > "$settings" <<INI
[MRUSourceDat]
Count=1
0=$root/demo
[MRUCompareWith]
Count=1
0=$root/demo
[MRUDestFile]
Count=1
0=$demo_home/demo-diff.dat
INI
fi
XDG_CONFIG_HOME=$demo_home/config XDG_STATE_HOME=$demo_home/state exec "$build/quillon" "$@"
