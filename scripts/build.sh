#!/usr/bin/env bash
# Configures once and builds incrementally into build/ (or $TONMARK_BUILD_DIR).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TONMARK_BUILD_DIR:-$top/build}
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
cmake --build "$build"
