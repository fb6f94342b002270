#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the normal build, then
# the unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
(cd "$top/build" && ctest --output-on-failure -j2 --timeout 900)

asan=$top/build-asan
if [ ! -f "$asan/build.ninja" ]; then
    cmake -S "$top" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTONMARK_SANITIZE=ON
fi
cmake --build "$asan"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$asan" && ctest --output-on-failure -j2 --timeout 900 -L unit)

# A short fuzzing run of every file reader; scripts/fuzz.sh SECONDS runs longer.
"$top/scripts/fuzz.sh" "${TONMARK_FUZZ_SECONDS:-20}"
