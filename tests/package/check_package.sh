#!/usr/bin/env bash
# Makes the Debian package from the build in BUILD with cpack, as
# scripts/package does from a clean one, unpacks it into a temporary root and
# checks it: the files it holds, its version and dependencies, the unpacked
# programs at work, and its metadata and lintian's verdict where those tools
# are installed (without them: skipped, or failed under CI).
# Usage: check_package.sh BUILD VERSION EXPECTED-FILE-LIST WORK-DIR
set -euo pipefail
build=$1 version=$2 expected=$3 work=$4
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work" && mkdir -p "$work"
cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack"; }
deb=$work/vorlane_${version}_amd64.deb
[ -f "$deb" ] || fail "cpack made no $deb"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' | grep -v '/$' | LC_ALL=C sort >"$work/files"
diff -u "$expected" "$work/files" || fail "the package's files differ from $expected"

[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version $(dpkg-deb -f "$deb" Version)"
# dpkg-shlibdeps found the Qt libraries; the font is named by hand.
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libqt6gui6 libc6 libmpfr6 fonts-liberation qt6-qpa-plugins; do
    [[ ", $depends," == *", $package "* || ", $depends," == *", $package,"* ]] ||
        fail "Depends lacks $package: $depends"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
for program in vorlane vorlane-render; do
    said=$("$root/usr/bin/$program" --version) || fail "$program --version"
    [ "$said" = "$program $version" ] || fail "$program --version said \"$said\""
done
"$root/usr/bin/vorlane-render" --quiet --size 80x50 -o "$work/small.png" || fail "vorlane-render"
file "$work/small.png" | grep -q "PNG image data, 80 x 50" || fail "$(file "$work/small.png")"

missing=()
have() { command -v "$1" >/dev/null || { missing+=("$1"); return 1; }; }
if have desktop-file-validate; then
    # Not even a hint: its output is empty when all is well.
    said=$(desktop-file-validate "$root/usr/share/applications/vorlane.desktop" 2>&1) &&
        [ -z "$said" ] || fail "desktop-file-validate: $said"
fi
if have appstreamcli; then
    appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml ||
        fail "appstreamcli validate"
fi
if have lintian; then
    lintian --fail-on error "$deb" || fail "lintian found errors"
fi

if [ ${#missing[@]} -gt 0 ]; then
    [ -z "${CI:-}" ] || fail "not installed: ${missing[*]} (scripts/install-deps installs them)"
    echo "SKIPPED the checks of ${missing[*]}: not installed (scripts/install-deps installs them)"
    exit 77
fi
echo "PASS: $deb"
