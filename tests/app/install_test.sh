#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what a desktop needs:
# the programs, the help where the program looks for it, the icon, a valid
# desktop entry and a well-formed file-type description.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d /tmp/tonmark-install.XXXXXX)
trap 'rm -rf "$prefix"' EXIT
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
echo "installed and valid"
