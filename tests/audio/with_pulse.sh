#!/usr/bin/env bash
# Runs a command against a private PulseAudio server with one null sink, and
# stops the server afterwards, whatever the command did. The sink records
# nothing itself: tests read what was played from its monitor with parec.
#
#   with_pulse.sh COMMAND [ARGS...]
#
# Exports PULSE_SERVER, TONMARK_TEST_SINK and a private HOME / runtime folder
# so that nothing of the user's own sound set-up is touched.
set -euo pipefail
work=$(mktemp -d /tmp/tonmark-pulse.XXXXXX)
server_pid=
cleanup() {
    if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
        kill "$server_pid" 2>/dev/null || true
        for _ in $(seq 50); do kill -0 "$server_pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$server_pid" 2>/dev/null || true
    fi
    [ -n "${TONMARK_KEEP_PULSE_LOG:-}" ] && cp "$work/server.log" "$TONMARK_KEEP_PULSE_LOG" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

export HOME=$work/home XDG_RUNTIME_DIR=$work/run PULSE_RUNTIME_PATH=$work/run/pulse
export PULSE_STATE_PATH=$work/state PULSE_CONFIG_PATH=$work/config
mkdir -p "$HOME" "$PULSE_RUNTIME_PATH" "$PULSE_STATE_PATH" "$PULSE_CONFIG_PATH"
# Plain socket transfers: shared-memory blocks have failed between this
# server and its clients here.
printf "enable-shm = no\nenable-memfd = no\n" >"$PULSE_CONFIG_PATH/client.conf"
chmod 700 "$XDG_RUNTIME_DIR"
socket=$work/run/native
export TONMARK_TEST_SINK=tonmark_null
# Without norewinds=1 the first 20-120 ms of every stream are lost.
cat >"$work/server.pa" <<PA
load-module module-null-sink sink_name=$TONMARK_TEST_SINK norewinds=1 rate=44100 channels=2 format=s16le
load-module module-native-protocol-unix socket=$socket auth-anonymous=1
set-default-sink $TONMARK_TEST_SINK
PA
pulseaudio -n -F "$work/server.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --disallow-exit --disable-shm=yes --log-target=file:"$work/server.log" >/dev/null 2>&1 &
server_pid=$!
export PULSE_SERVER=unix:$socket
for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
done
if ! pactl info >/dev/null 2>&1; then
    echo "with_pulse.sh: the private PulseAudio server did not start" >&2
    cat "$work/server.log" >&2 || true
    exit 1
fi
export TONMARK_PULSE_PID=$server_pid
"$@"
