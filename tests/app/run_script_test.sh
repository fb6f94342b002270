#!/usr/bin/env bash
# The settings step of scripts/run.sh, without building: a new user gets the
# complete settings file of an installation; a second run keeps the user's file.
#   run_script_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/tonmark-run-script.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "$*" >&2; exit 1; }

# The folders above the file do not exist yet.
export XDG_CONFIG_HOME=$work/config
# shellcheck source=../../scripts/run.sh
source "$here/../../scripts/run.sh"
settings_step "$build/tonmark-tool"
file=$XDG_CONFIG_HOME/Velbrook/Tonmark.json
[ -f "$file" ] || fail "no settings file after the step"
[ "$(jq length "$file")" = 48 ] || fail "not the 47 settings and FirstRun: $(cat "$file")"
[ "$(jq '.FirstRun' "$file")" = 1 ] || fail "FirstRun is not 1"
[ "$(jq -r '."Min. Reversals"' "$file")" = 6 ] || fail "Min. Reversals is not the default"
[ "$(jq '."Colour Audiogram Background"' "$file")" = 32896 ] || fail "chart colour not olive"

# The user's own file, even one the program cannot read, stays byte for byte.
for mine in '{"FirstRun": 0, "Min. Reversals": "8"}' '' 'not json'; do
    printf '%s' "$mine" >"$file"
    settings_step "$build/tonmark-tool"
    [ "$(cat "$file")" = "$mine" ] || fail "the step replaced the user's file: $(cat "$file")"
done
[ "$(find "$XDG_CONFIG_HOME/Velbrook" -mindepth 1 | wc -l)" = 1 ] || fail "left files behind"
echo "settings step creates the file once"
