#!/usr/bin/env bash
# Start-up time to a shown main window (the splash left out): starts Tonmark
# RUNS times against a private sound server with a complete settings file and
# prints what the program measured itself.
#   bench/startup.sh [RUNS]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-10}
conf=$(mktemp -d)
trap 'rm -rf "$conf"' EXIT
mkdir -p "$conf/Velbrook"
cp "$top/tests/data/full_settings.json" "$conf/Velbrook/Tonmark.json"
export XDG_CONFIG_HOME=$conf QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export TONMARK_NO_SPLASH=1 TONMARK_QUIT_WHEN_SHOWN=1
"$top/tests/audio/with_pulse.sh" bash -c "
for i in \$(seq $runs); do
    '$top/build/tonmark' 2>&1 | grep 'main window shown' || true
done"
