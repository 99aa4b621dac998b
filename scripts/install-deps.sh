#!/bin/sh
# Installs the Debian packages the build, the tests and the demo need,
# and only those that are missing.
set -e
packages="build-essential cmake ninja-build pkg-config git
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-websockets-dev qt6-charts-dev libqt6opengl6-dev libgl-dev
  clang clang-format libclang-rt-14-dev
  libsqlite3-dev libhttp-parser-dev
  xvfb xauth
  scdoc dpkg-dev lintian
  libmosquitto-dev mosquitto mosquitto-clients openssl"

# One dpkg-query for all: make demo and make test run this every time.
installed=$(dpkg-query -W -f='${Package} ${Status}\n' $packages 2>/dev/null |
  awk '$NF == "installed" && $(NF-1) == "ok" { print $1 }')
missing=""
for p in $packages; do
  case " $(echo $installed) " in
    *" $p "*) ;;
    *) missing="$missing $p" ;;
  esac
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
echo "Installing:$missing"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
