#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what a desktop needs:
# the programs, the help where the program looks for it, the icon, a valid
# desktop entry and a well-formed file-type description; and that the first
# start of the installed program gives a new user the settings file of a new
# installation.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d /tmp/tonmark-install.XXXXXX)
pid=
trap '[ -z "$pid" ] || kill -9 "$pid" 2>/dev/null || true; rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/tonmark bin/tonmark-tool share/tonmark/help/contexts.txt \
    share/tonmark/help/index.html share/applications/tonmark.desktop \
    share/mime/packages/tonmark.xml share/icons/hicolor/256x256/apps/tonmark.png; do
    [ -e "$prefix/$f" ] || { echo "missing after install: $f" >&2; exit 1; }
done
[ -x "$prefix/bin/tonmark" ] || { echo "tonmark is not executable" >&2; exit 1; }
desktop-file-validate "$prefix/share/applications/tonmark.desktop"
grep -q '^Categories=.*Science;.*MedicalSoftware;' "$prefix/share/applications/tonmark.desktop"
grep -q '^Exec=tonmark %f$' "$prefix/share/applications/tonmark.desktop"
xmllint --noout "$prefix/share/mime/packages/tonmark.xml"
grep -q 'pattern="\*.aud"' "$prefix/share/mime/packages/tonmark.xml"
grep -q 'pattern="\*.cal"' "$prefix/share/mime/packages/tonmark.xml"
# The installed tool runs from its new place.
"$prefix/bin/tonmark-tool" --help >/dev/null

# A new user starts the installed program: it writes the settings file of a
# new installation before it reads it (and then waits at the welcome).
conf=$prefix/user-config
XDG_CONFIG_HOME=$conf QT_QPA_PLATFORM=offscreen TONMARK_NO_SPLASH=1 \
    "$prefix/bin/tonmark" >"$prefix/tonmark.log" 2>&1 &
pid=$!
file=$conf/Velbrook/Tonmark.json
for _ in $(seq 300); do # at most 30 s
    [ -e "$file" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
[ -e "$file" ] || { echo "the installed program made no settings file" >&2; cat "$prefix/tonmark.log" >&2; exit 1; }
[ "$(jq length "$file")" = 48 ] || { echo "not a complete settings file: $(cat "$file")" >&2; exit 1; }
[ "$(jq '.FirstRun' "$file")" = 1 ] || { echo "FirstRun is not 1" >&2; exit 1; }
kill -TERM "$pid"
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
    echo "the installed program did not end on SIGTERM" >&2
    exit 1
fi
wait "$pid" || true
pid=
echo "installed and valid"
