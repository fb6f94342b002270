#!/usr/bin/env bash
# Runs a command on a private X server (Xvfb) with a window manager (openbox)
# on a display that is free, and stops both afterwards, whatever the command
# did.
#
#   with_x_session.sh COMMAND [ARGS...]
#
# Exports DISPLAY and a private HOME and XDG folders, so that neither the
# window manager nor the program touches the user's own settings.
set -euo pipefail
work=$(mktemp -d /tmp/tonmark-x.XXXXXX)
xvfb_pid= wm_pid= cmd_pid=
stop() {
    local pid=$1
    [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 0
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}
cleanup() {
    stop "$cmd_pid"
    stop "$wm_pid"
    stop "$xvfb_pid"
    rm -rf "$work"
}
trap cleanup EXIT
# A signal ends the script through its EXIT trap.
trap 'exit 143' TERM
trap 'exit 130' INT
trap 'exit 129' HUP

export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
export XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Xvfb picks the first free display itself and writes its number once it
# takes connections.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
if [ ! -s "$work/display" ]; then
    echo "with_x_session.sh: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2 || true
    exit 1
fi
export DISPLAY=:$(tr -dc 0-9 <"$work/display")

# Ready once it runs its start-up command: its check window on the root
# comes earlier, and a window mapped in between may be dropped unmapped.
openbox --sm-disable --startup "touch $work/wm-ready" >"$work/wm.log" 2>&1 &
wm_pid=$!
for _ in $(seq 100); do
    [ -e "$work/wm-ready" ] && break
    kill -0 "$wm_pid" 2>/dev/null || break
    sleep 0.1
done
if [ ! -e "$work/wm-ready" ]; then
    echo "with_x_session.sh: the window manager did not start" >&2
    cat "$work/wm.log" >&2 || true
    exit 1
fi

# In the background, so that a signal to this script is taken at once.
"$@" &
cmd_pid=$!
status=0
wait "$cmd_pid" || status=$?
cmd_pid=
exit "$status"
