#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan), seeds them from
# the program's own writers and the reference files, and runs each for
# SECONDS (default 20).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
build=$top/build-fuzz
if [ ! -f "$build/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTONMARK_FUZZ=ON -DTONMARK_BUILD_TESTS=OFF
fi
cmake --build "$build" --target fuzz_audiogram fuzz_calibration fuzz_settings fuzz_chart make_seeds
work=$build/corpus
rm -rf "$work/seeds"
"$build/make_seeds" "$work/seeds"
# The reference files, made from the layouts rather than by the program.
cp "$top/tests/data/reference.aud" "$work/seeds/audiogram/reference.aud"
cp "$top/tests/data/reference.cal" "$work/seeds/calibration/reference.cal"
cp "$top/tests/data/reference_settings.json" "$work/seeds/settings/reference.json"
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The chart target paints what the audiogram reader accepts; a paint of more
# than a second counts as a failure.
for name in audiogram calibration settings chart; do
    seeds=$name
    [ "$name" = chart ] && seeds=audiogram
    mkdir -p "$work/$name"
    echo "fuzz_$name: ${seconds}s"
    "$build/fuzz_$name" -max_total_time="$seconds" -timeout=1 -print_final_stats=1 \
        "$work/$name" "$work/seeds/$seeds" 2>"$build/fuzz_$name.log" || {
        tail -40 "$build/fuzz_$name.log"
        exit 1
    }
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$build/fuzz_$name.log" || true
done
echo "fuzzing: 4 passed, 0 failed"
