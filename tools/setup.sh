#!/bin/sh
# Installs the Debian packages the build, the tests and the demo need; only what is missing.
set -e
pkgs="cmake make g++ pkg-config parallel libgtest-dev libgmock-dev libbenchmark-dev libfftw3-dev \
libpng-dev ghostscript sox libsox-fmt-all hershey-fonts-data inkscape \
qt6-base-dev qt6-multimedia-dev xvfb xauth xdotool imagemagick x11-apps \
libsndfile1-dev libcairo2-dev ffmpeg poppler-utils librsvg2-bin clang libclang-rt-14-dev"
missing=""
for p in $pkgs; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
if [ "$(id -u)" -ne 0 ]; then
    echo "setup: run as root to install:$missing" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends $missing
