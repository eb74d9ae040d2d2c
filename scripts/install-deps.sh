#!/bin/sh
# Installs the Debian packages the project needs, and only those that are missing.
# Runs unattended as root; calls `apt-get update` only when something must be installed.
# Extra package names given as arguments are installed too (make fuzz asks for clang).
set -eu
PACKAGES="cmake g++ make pkg-config libxerces-c-dev libgtest-dev libgmock-dev libbenchmark-dev \
libcli11-dev nlohmann-json3-dev libelf-dev zlib1g-dev help2man man-db dpkg-dev file $*"
missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
