#!/usr/bin/env bash
# Start-up time: Tonmark to its shown main window (the splash left out),
# side by side with a bare Qt window with a menu bar and a label, both timed
# from outside (process start to exit right after the first show) in the same
# run, against a private sound server with a complete settings file. Under an
# X server when DISPLAY is set (for example through xvfb-run), else offscreen.
#   bench/startup.sh [RUNS]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-10}
conf=$(mktemp -d)
trap 'rm -rf "$conf"' EXIT
mkdir -p "$conf/Velbrook"
cp "$top/tests/data/full_settings.json" "$conf/Velbrook/Tonmark.json"
export XDG_CONFIG_HOME=$conf TONMARK_NO_SPLASH=1 TONMARK_QUIT_WHEN_SHOWN=1
[ -n "${DISPLAY:-}" ] || export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
"$top/tests/audio/with_pulse.sh" bash -c '
ms() { local t0 t1; t0=$(date +%s%N); "$@" >/dev/null 2>&1; t1=$(date +%s%N); echo $(( (t1 - t0) / 1000000 )); }
peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }
median() { sort -n | awk "{a[NR]=\$1} END {print a[int((NR+1)/2)]}"; }
t=(); b=()
for i in $(seq '"$runs"'); do
    t+=("$(ms "'"$top"'/build/tonmark")")
    b+=("$(ms "'"$top"'/build/bare_window")")
done
tm=$(printf "%s\n" "${t[@]}" | median); bm=$(printf "%s\n" "${b[@]}" | median)
echo "start-up, median of '"$runs"': tonmark ${tm} ms, bare Qt window ${bm} ms, ratio $(awk "BEGIN {printf \"%.2f\", $tm / $bm}")"
if [ -x /usr/bin/time ]; then
    echo "peak memory: tonmark $(peak "'"$top"'/build/tonmark") KB, bare Qt window $(peak "'"$top"'/build/bare_window") KB"
fi'
