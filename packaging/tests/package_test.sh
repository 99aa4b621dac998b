#!/bin/sh
# package_test.sh BUILD: builds the Debian package from the build and checks
# that it holds exactly what the install rules install, that its dependencies
# were found (not listed by hand), and that lintian reports no error.
set -eu
build=$(readlink -f "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "package_test: $*" >&2; exit 1; }

(cd "$tmp" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1) ||
    { cat "$tmp/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$tmp"/out/qmx-x1_*_amd64.deb 2>/dev/null | head -1)
[ -n "$deb" ] || fail "no qmx-x1_<version>_amd64.deb"

# What the package holds against what the install rules put in a DESTDIR.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort >"$tmp/package"
DESTDIR=$tmp/dest cmake --install "$build" >/dev/null
(cd "$tmp/dest" && find . ! -type d | sed 's|^\./||' | sort) >"$tmp/installed"
diff "$tmp/installed" "$tmp/package" >"$tmp/diff" ||
    { cat "$tmp/diff" >&2; fail "the package differs from the install layout"; }

depends=$(dpkg-deb -f "$deb" Depends)
echo "$depends" | grep -q 'libqt6widgets6' || fail "Depends lacks the Qt libraries: $depends"
echo "$depends" | grep -q 'libsqlite3-0' || fail "Depends lacks SQLite: $depends"

if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" >"$tmp/lintian.log" 2>&1 ||
        { cat "$tmp/lintian.log" >&2; fail "lintian reports errors"; }
else
    echo "package_test: lintian is not installed; the package is not checked by it"
fi
echo "package_test: $(basename "$deb") holds the install layout"
