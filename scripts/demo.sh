#!/bin/sh
# demo.sh BUILD_DIR: starts the gauge server QMXSRV against the simulated
# board with the demo setup qmxsrv/demo/demo.qmx. The board starts cold, so
# the firmware download shows. Its control socket is BUILD_DIR/qmxboard.sock
# unless QMX_SIM_CONTROL names another. Without a display the server runs
# offscreen and shows the channels at once, since no one can choose
# View > Channels there.
set -e
build=${1:-build}
setup="$(cd "$(dirname "$0")/.." && pwd)/qmxsrv/demo/demo.qmx"

export QMX_PORTS=sim
export QMX_SIM_CONTROL="${QMX_SIM_CONTROL:-$build/qmxboard.sock}"
if [ -z "$DISPLAY" ] && [ -z "$WAYLAND_DISPLAY" ]; then
    export QMXSRV_VIEW="${QMXSRV_VIEW:-channels}"
fi

cat >&2 <<TEXT
QMXSRV with the demo setup; the simulated board's control socket is $QMX_SIM_CONTROL.
  watch the values:   $build/bin/qmxlink advise '*'     (after View > Channels)
  put on a master:    $build/bin/qmxboard-ctl $QMX_SIM_CONTROL freeze
                      $build/bin/qmxboard-ctl $QMX_SIM_CONTROL set T1 0.005
TEXT
exec "$build/bin/QMXSRV" "$setup"
