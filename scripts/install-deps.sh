#!/bin/sh
# Installs the Debian packages the build, the tests and the demo need,
# and only those that are missing.
set -e
packages="build-essential cmake pkg-config git
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-websockets-dev qt6-charts-dev libqt6opengl6-dev libgl-dev
  clang clang-format libclang-rt-14-dev
  libsqlite3-dev libhttp-parser-dev
  xvfb xauth
  scdoc dpkg-dev lintian
  libmosquitto-dev mosquitto mosquitto-clients openssl"

missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
echo "Installing:$missing"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
