#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package cpack builds: named as Debian names it, everything under /usr and owned by root, the files a
# desktop looks for in it, and a Depends field that apt can satisfy, names each package once and covers every
# library the binary links as well as the Qt plugins it loads at run time.
#   test_deb_package.sh <build folder> <application id>
set -euo pipefail
build=$1 app_id=$2
out=$(mktemp -d /tmp/quillo-deb.XXXXXX)
trap 'rm -rf "$out"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log" >&2; echo "FAIL: cpack" >&2; exit 1; }
debs=("$out"/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: cpack made ${#debs[@]} packages" >&2; exit 1; }
deb=${debs[0]}

package=$(dpkg-deb -f "$deb" Package)
architecture=$(dpkg-deb -f "$deb" Architecture)
[ "$package" = quillo ] || fail "the package is called $package"
[ "$architecture" = "$(dpkg --print-architecture)" ] || fail "the package is for $architecture"

# Contents: "mode owner/group size date time path" per entry.
contents=$(dpkg-deb -c "$deb")
while read -r mode owner _ _ _ path; do
    [ "$owner" = root/root ] || fail "$path belongs to $owner"
    [[ "$path" == ./usr/* ]] || fail "$path lies outside /usr"
    [[ "$mode" != -* || "$path" == ./usr/bin/* || "$mode" == -rw-r--r-- ]] || fail "$path has mode $mode"
done <<<"$contents"
for path in ./usr/bin/quillo ./usr/share/applications/$app_id.desktop ./usr/share/metainfo/$app_id.metainfo.xml \
    ./usr/share/icons/hicolor/scalable/apps/$app_id.svg ./usr/share/icons/hicolor/48x48/apps/$app_id.png \
    ./usr/share/man/man1/quillo.1.gz; do
    grep -q " $path\$" <<<"$contents" || fail "$path is missing"
done
grep -q '^-rwxr-xr-x .* \./usr/bin/quillo$' <<<"$contents" || fail "/usr/bin/quillo is not executable by all"

# Depends: one package name per entry, each entry "name" or "name (op version)".
depends=$(dpkg-deb -f "$deb" Depends)
names=$(tr ',' '\n' <<<"$depends" | sed -E 's/^ *([^ (]+).*/\1/')
duplicates=$(sort <<<"$names" | uniq -d)
[ -z "$duplicates" ] || fail "Depends names $(echo $duplicates) more than once: $depends"
# Qt's X11 and SVG plugins, without which Quillo has no window or blank icons; Qt 6.8 moved the SVG ones into a
# package of their own.
plugin_packages=$(dpkg-query -S '*/qt6/plugins/platforms/libqxcb.so' '*/qt6/plugins/imageformats/libqsvg.so' |
    cut -d: -f1 | tr ',' '\n')
alternatives=$(tr ',|' '\n\n' <<<"$depends" | sed -E 's/^ *([^ (]+).*/\1/')
for needed in libqt6widgets6 libqt6dbus6 $plugin_packages; do
    grep -qx "$needed" <<<"$alternatives" || fail "Depends lacks $needed: $depends"
done

dpkg-deb -x "$deb" "$out/root"
binary=$out/root/usr/bin/quillo
! readelf -d "$binary" | grep -qE 'RPATH|RUNPATH' || fail "the packaged binary carries a library search path"
# Every library the binary links belongs to a package that Depends names (with usrmerge a library may be
# registered under /lib or /usr/lib).
while read -r soname _ path _; do
    [[ "$path" == /* ]] || { fail "$soname is not found"; continue; }
    owner=$(dpkg-query -S "$path" 2>/dev/null || dpkg-query -S "${path#/usr}" 2>/dev/null ||
        dpkg-query -S "/usr$path" 2>/dev/null || true)
    owner=${owner%%:*}
    [ -n "$owner" ] || { fail "no package owns $path"; continue; }
    grep -qx "$owner" <<<"$names" || fail "the binary links $soname from $owner, which Depends lacks: $depends"
done < <(readelf -d "$binary" | sed -nE 's/.*NEEDED.*\[(.*)\]/\1/p' |
    while read -r soname; do ldd "$binary" | awk -v s="$soname" '$1 == s { print $1, $2, $3 }'; done)

# apt resolves the dependencies against the packages it knows, as `apt install ./quillo_*.deb` would.
apt-get install --simulate --no-install-recommends "$deb" >"$out/apt.log" 2>&1 ||
    { cat "$out/apt.log" >&2; fail "apt cannot install the package"; }

[ "$failures" -eq 0 ] || exit 1
echo "package in order: $(basename "$deb"), Depends: $depends"
