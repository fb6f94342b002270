#!/usr/bin/env bash
# Runs a command while the machine is busy, as a user's machine can be: two
# CPU-bound processes per core and one process writing and syncing 200 MB
# files in a loop. Prints the load average before and after. The load ends
# with the command, whatever it did.
#
#   machine_load.sh COMMAND [ARGS...]
set -euo pipefail
cores=$(nproc)
work=$(mktemp -d /tmp/tonmark-load.XXXXXX)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq $((2 * cores))); do
    bash -c 'while :; do :; done' &
    pids+=($!)
done
bash -c "while :; do dd if=/dev/zero of='$work/big' bs=1M count=200 conv=fsync status=none; rm -f '$work/big'; done" &
pids+=($!)
sleep 5
echo "machine_load.sh: load average before the command: $(cut -d' ' -f1-3 /proc/loadavg)" >&2
status=0
"$@" || status=$?
echo "machine_load.sh: load average after the command: $(cut -d' ' -f1-3 /proc/loadavg)" >&2
exit $status
