#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tonmark.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The installation step of the settings: a user without a settings file gets
# the complete file of a new installation (every setting at its default,
# FirstRun 1), so that the first start greets him; an existing file is kept.
#   settings_step TONMARK_TOOL
settings_step() {
    "$1" install-settings >/dev/null
}

# Sourcing the script (as its test does) only defines the steps.
if [ "${BASH_SOURCE[0]}" != "$0" ]; then
    return 0
fi
"$top/scripts/install-deps.sh"
# Only what starting needs: the tests and benchmarks are the test command's.
TONMARK_BUILD_TARGETS="tonmark tonmark-tool tonmark_help" "$top/scripts/build.sh"
settings_step "$top/build/tonmark-tool"
if [ -x "$top/build/tonmark" ]; then
    exec "$top/build/tonmark" "$@"
fi
exec "$top/build/tonmark-tool" --help
