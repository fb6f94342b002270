#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tonmark.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
# Only what starting needs: the tests and benchmarks are the test command's.
TONMARK_BUILD_TARGETS="tonmark tonmark-tool tonmark_help" "$top/scripts/build.sh"
# The settings file is created once, as an installer would, so the program can
# greet a first-time user; the program itself never creates it.
conf=${XDG_CONFIG_HOME:-$HOME/.config}/Velbrook
if [ ! -e "$conf/Tonmark.json" ]; then
    mkdir -p "$conf"
    printf '{"FirstRun": 1}\n' >"$conf/Tonmark.json"
fi
if [ -x "$top/build/tonmark" ]; then
    exec "$top/build/tonmark" "$@"
fi
exec "$top/build/tonmark-tool" --help
