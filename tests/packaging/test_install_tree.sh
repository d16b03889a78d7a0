#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `cmake --install` into a fresh prefix: the desktop entry, the AppStream metainfo and the manual page pass their
# validators, and the names that tie the installed files together (program, icon, desktop id) point at files
# that are there.
#   test_install_tree.sh <build folder> <application id>
set -euo pipefail
build=$1 app_id=$2
prefix=$(mktemp -d /tmp/quillo-install.XXXXXX)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >/dev/null

desktop=$prefix/share/applications/$app_id.desktop
metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
icons=$prefix/share/icons/hicolor
[ -f "$desktop" ] || { echo "FAIL: no desktop entry at $desktop" >&2; exit 1; }
[ -f "$metainfo" ] || { echo "FAIL: no metainfo at $metainfo" >&2; exit 1; }

desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $metainfo"

# entry_value KEY: the key's value in the [Desktop Entry] group.
entry_value() { sed -n '/^\[Desktop Entry\]/,/^\[/{s/^'"$1"'=//p}' "$desktop" | head -n 1; }

program=$(entry_value Exec | cut -d' ' -f1)
[[ "$program" != */* && -x "$prefix/bin/$program" ]] ||
    fail "Exec=$program does not name a program installed in bin/"

icon=$(entry_value Icon)
[ -f "$icons/scalable/apps/$icon.svg" ] || fail "Icon=$icon has no scalable SVG in the hicolor theme"
[ -f "$icons/48x48/apps/$icon.png" ] || fail "Icon=$icon has no 48x48 PNG, the size every panel can use"
# A PNG's width and height are the big-endian words at bytes 16 and 20; each must match its folder.
for png in "$icons"/*/apps/"$icon".png; do
    folder=$(basename "$(dirname "$(dirname "$png")")")
    read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
    size="$(((w1 << 24) | (w2 << 16) | (w3 << 8) | w4))x$(((h1 << 24) | (h2 << 16) | (h3 << 8) | h4))"
    [ "$size" = "$folder" ] || fail "$png is $size, not $folder"
done

warnings=$(gzip -dc "$prefix/share/man/man1/$program.1.gz" | groff -man -ww -z 2>&1) && [ -z "$warnings" ] ||
    fail "no manual page share/man/man1/$program.1.gz, or groff warns about it: $warnings"

# The metainfo names the component by the application id and launches it through the desktop entry.
grep -q "<id>$app_id</id>" "$metainfo" || fail "the metainfo's id is not $app_id"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $app_id.desktop"
grep -q "<binary>$program</binary>" "$metainfo" || fail "the metainfo does not provide the binary $program"

[ "$failures" -eq 0 ] || exit 1
echo "installed tree in order: $(find "$prefix" -type f | wc -l) files"
