#!/usr/bin/env bash
# Configures once and builds incrementally into build/ (or $TONMARK_BUILD_DIR);
# everything, or only the targets named in $TONMARK_BUILD_TARGETS.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TONMARK_BUILD_DIR:-$top/build}
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
targets=()
for t in ${TONMARK_BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build" "${targets[@]}"
