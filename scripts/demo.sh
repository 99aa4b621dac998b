#!/bin/sh
# demo.sh BUILD_DIR: runs the device library's demonstration program against
# the simulated board. Without the board (libqmxboard.so beside the library)
# or its firmware image, the library says so and ends up in demonstration mode.
set -e
build=${1:-build}
QMX_PORTS=sim exec "$build/bin/qmxprobe" 0 "$build/bin/Rdx44k.bin"
