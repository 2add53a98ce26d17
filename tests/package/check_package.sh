#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vorlane developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Checks the Debian packages that scripts/package left in PACKAGES: the files
# the package holds, its version, dependencies and the flags its programs were
# compiled with (from the debug symbols' package), the unpacked programs at
# work, and its metadata and lintian's verdict. Without the packages or one of
# the tools: skipped, or failed under CI.
# The packaged files that are not programs must also be, byte for byte, those
# that this build installs elsewhere, later, under another umask and time
# zone: the cheap half of a check that a second build of the package gives
# the same bytes (scripts/reproduce builds it twice).
# Usage: check_package.sh PACKAGES VERSION EXPECTED-FILE-LIST WORK-DIR BUILD
set -euo pipefail
packages=$1 version=$2 expected=$3 work=$4 build=$5
fail() { echo "FAIL: $*" >&2; exit 1; }
skip() {
    [ -z "${CI:-}" ] || fail "$*"
    echo "SKIPPED: $*"
    exit 77
}

debs=("$packages"/vorlane_"$version"-*_amd64.deb)
[ -f "${debs[0]}" ] || skip "no package in $packages: scripts/package makes it"
deb=${debs[0]}
revision=$(dpkg-deb -f "$deb" Version)
dbgsym=$packages/vorlane-dbgsym_${revision}_amd64.deb
[ -f "$dbgsym" ] || fail "no debug symbols' package beside $deb"
rm -rf "$work" && mkdir -p "$work"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' | grep -v '/$' | LC_ALL=C sort >"$work/files"
diff -u "$expected" "$work/files" || fail "the package's files differ from $expected"

# The libraries from dpkg-shlibdeps, the font by name.
fields=$(dpkg-deb -f "$deb" Depends Recommends)
for expect in "Depends: .*libqt6widgets6 " "Depends: .*libqt6gui6 " "Depends: .*libc6 " "Depends: .*libmpfr6 " \
              "Depends: fonts-liberation," "Recommends: qt6-wayland$"; do
    grep -q "^$expect" <<<"$fields" || fail "no \"$expect\" in: $fields"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
dpkg-deb -x "$dbgsym" "$root"
for program in vorlane vorlane-render; do
    said=$("$root/usr/bin/$program" --version) || fail "$program --version"
    [ "$said" = "$program $version" ] || fail "$program --version said \"$said\""
done
# The compiler's options for each kind of compilation unit, as the debug
# symbols record them: Debian's hardening and the project's own flags, which
# the pictures depend on.
find "$root/usr/lib/debug" -type f -exec readelf -z -p .debug_str {} + 2>/dev/null |
    grep -o "GNU C++.*" | sort -u >"$work/producers"
[ -s "$work/producers" ] || fail "the debug symbols name no compiler"
while read -r producer; do
    for option in -O3 -ffp-contract=off -fstack-protector-strong; do
        [[ " $producer " == *" $option "* ]] || fail "compiled without $option: $producer"
    done
    [[ ! " $producer " =~ \ -(ffast-math|Ofast|ffp-contract=fast)\  ]] ||
        fail "compiled with fast maths: $producer"
done <"$work/producers"
"$root/usr/bin/vorlane-render" --quiet --size 80x50 -o "$work/small.png" || fail "vorlane-render"
file "$work/small.png" | grep -q "PNG image data, 80 x 50" || fail "$(file "$work/small.png")"
# The same data from this build, however it is installed.
(umask 0077 && TZ=Pacific/Kiritimati DESTDIR="$work/again" \
    cmake --install "$build" --prefix /usr >/dev/null) || fail "cmake --install $build"
while read -r file; do
    # Debian's own files, from debian/, are not this build's.
    [[ $file == /usr/bin/* || $file == /usr/share/doc/* || $file == /usr/share/lintian/* ]] && continue
    cmp "$root$file" "$work/again$file" || fail "$file differs from this build's"
    [ "$(stat -c %a "$root$file")" = "$(stat -c %a "$work/again$file")" ] ||
        fail "$file has another mode in this build"
done <"$work/files"
# Nothing that the build machine made up: the thread count and the month.
zcat "$root/usr/share/man/man1/vorlane-render.1.gz" >"$work/vorlane-render.1"
# help2man folds the option's text, anywhere in the sentence.
tr -s '\n' ' ' <"$work/vorlane-render.1" | grep -q "default: the processors it may run on" ||
    fail "the manual page does not say that the threads are the processors it may run on"
stamp=$(zcat "$root/usr/share/doc/vorlane/changelog.Debian.gz" | dpkg-parsechangelog -l- -STimestamp)
month=$(LC_ALL=C date -u -d "@$stamp" +"%B %Y")
grep -q "^\.TH .*\"$month\"" "$work/vorlane-render.1" ||
    fail "the manual page's date is not the changelog's"

for tool in desktop-file-validate appstreamcli lintian; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps installs it)"
done
# Not even a hint: its output is empty when all is well.
said=$(desktop-file-validate "$root"/usr/share/applications/*.desktop 2>&1) &&
    [ -z "$said" ] || fail "desktop-file-validate: $said"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml ||
    fail "appstreamcli validate"
lintian -I --pedantic --fail-on error,warning "$deb" "$dbgsym" || fail "lintian"
echo "PASS: $deb"
