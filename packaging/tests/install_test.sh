#!/bin/sh
# install_test.sh BUILD QMXPROBE_C CONSUMER_DIR PREFIX LIBDIR SETUP: installs
# the build (configured for PREFIX) into a
# temporary DESTDIR and checks the tree as a user and another project meet it:
# the layout, an installed server that keeps its data (a part recorded with
# the setup) in ~/.local/share/qmxsrv and nothing in the prefix, the installed
# qmxresults reading them there, and qmxprobe.c built against the installed
# library with pkg-config and with find_package.
set -eu
build=$1 probe_c=$(readlink -f "$2") consumer=$(readlink -f "$3") prefix=$4 libdir=$5
setup=$(readlink -f "$6")
tmp=$(mktemp -d)
server=
cleanup() {
    [ -n "$server" ] && kill -9 "$server" 2>/dev/null || true
    [ -n "${KEEP:-}" ] && echo "kept $tmp" || rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

dest=$tmp/dest
DESTDIR=$dest cmake --install "$build" >/dev/null
root=$dest$prefix

for f in bin/QMXSRV bin/qmxlink bin/qmxprobe bin/qmxresults bin/qmxboard-ctl bin/qmxboard-image \
         $libdir/libqmxcom32.so.1.0.0 $libdir/libqmxcom32.so.1 $libdir/libqmxcom32.so \
         $libdir/libqmxboard.so include/qmxcom32.h include/qmxcom32_host.h \
         $libdir/pkgconfig/qmxcom32.pc $libdir/cmake/qmxcom32/qmxcom32Config.cmake \
         $libdir/cmake/qmxcom32/qmxcom32ConfigVersion.cmake share/qmxsrv/Rdx44k.bin \
         share/applications/qmx-x1.desktop share/icons/hicolor/scalable/apps/qmxsrv.svg \
         share/icons/hicolor/48x48/apps/qmxsrv.png share/icons/hicolor/256x256/apps/qmxsrv.png \
         lib/systemd/user/qmxsrv.service; do
    [ -e "$root/$f" ] || fail "missing $prefix/$f"
done
readelf -d "$root/$libdir/libqmxcom32.so.1.0.0" | grep -q 'SONAME.*\[libqmxcom32.so.1\]' ||
    fail "libqmxcom32 has no SONAME libqmxcom32.so.1"
grep -q '^Name=QMX-X1 Gauge Server$' "$root/share/applications/qmx-x1.desktop" ||
    fail "the desktop entry's name"
grep -q "^ExecStart=$prefix/bin/QMXSRV" "$root/lib/systemd/user/qmxsrv.service" ||
    fail "the service's ExecStart"

# The installed server, headless, as a user with an empty home: its data go
# to ~/.local/share/qmxsrv (mode 0700), the firmware comes from share/qmxsrv,
# and nothing is written into the prefix.
home=$tmp/home
mkdir -p "$home"
touch "$tmp/before"
sleep 1
(cd "$tmp" && env -u QMXSRV_HOME -u XDG_DATA_HOME -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" \
    QT_QPA_PLATFORM=offscreen QMX_PORTS=sim QMXSRV_LINK=127.0.0.1:0 \
    "$root/bin/QMXSRV" "$setup" >"$tmp/server.out" 2>&1) &
server=$!
data=$home/.local/share/qmxsrv
for _ in $(seq 1 100); do
    grep -q 'live values at' "$tmp/server.out" 2>/dev/null && break
    sleep 0.1
done
grep -q 'live values at' "$tmp/server.out" || { cat "$tmp/server.out" >&2; fail "the server did not start"; }
url=$(sed -n 's/.*live values at \(ws:[^ ]*\).*/\1/p' "$tmp/server.out")
HOME="$home" "$root/bin/qmxlink" --url "$url" --token-file "$data/qmxsrv.token" record \
    >"$tmp/record.out" 2>&1 || { cat "$tmp/record.out" >&2; fail "no part recorded"; }
sleep 1
kill -TERM $server
wait $server || true
server=
[ -f "$data/qmxsrv.ini" ] || { cat "$tmp/server.out" >&2; fail "no $data/qmxsrv.ini"; }
[ "$(stat -c %a "$data")" = 700 ] || fail "$data is not mode 0700"
if grep -q 'Unable to open firmware file' "$tmp/server.out"; then
    cat "$tmp/server.out" >&2
    fail "the firmware in share/qmxsrv was not found"
fi
written=$(find "$dest" -newer "$tmp/before" -print)
[ -z "$written" ] || fail "the server wrote into the prefix: $written"
# The installed qmxresults reads the installed server's results, where it keeps them.
(cd "$tmp" && env -u QMXSRV_HOME -u QMXSRV_RESULTS -u XDG_DATA_HOME HOME="$home" \
    "$root/bin/qmxresults" list >"$tmp/list.out" 2>&1) ||
    { cat "$tmp/list.out" >&2; fail "qmxresults did not find $data/results.sqlite"; }
grep -q "^1	" "$tmp/list.out" || { cat "$tmp/list.out" >&2; fail "qmxresults does not list part 1"; }

# Another program built against the installed library: pkg-config, then CMake.
flags=$(PKG_CONFIG_PATH=$root/$libdir/pkgconfig pkg-config --cflags --libs qmxcom32)
cc -o "$tmp/probe-pc" "$probe_c" $flags
cmake -S "$consumer" -B "$tmp/consumer" -DCMAKE_PREFIX_PATH="$root" -DPROBE_SOURCE="$probe_c" \
    >/dev/null
cmake --build "$tmp/consumer" >/dev/null
for probe in "$tmp/probe-pc" "$tmp/consumer/probe"; do
    LD_LIBRARY_PATH=$root/$libdir QMX_PORTS=sim QMX_SIM_STATE=running \
        "$probe" 0 "$root/share/qmxsrv/Rdx44k.bin" >"$tmp/probe.out" 2>&1 ||
        { cat "$tmp/probe.out" >&2; fail "$probe did not run against the installed library"; }
done
echo "install_test: the installed tree is whole"
