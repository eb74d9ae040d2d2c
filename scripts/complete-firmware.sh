#!/bin/sh
# Copies the example firmware container and adds the file it leaves out on purpose (its plan
# shows that file as missing), so that an update from the copy can succeed.
# Usage: sh scripts/complete-firmware.sh BUILD_DIR DESTINATION
set -eu
BUILD=${1:?usage: complete-firmware.sh BUILD_DIR DESTINATION}
DESTINATION=${2:?usage: complete-firmware.sh BUILD_DIR DESTINATION}
rm -rf "$DESTINATION"
cp -R "$BUILD/examples/firmware/release-5.0" "$DESTINATION"
"$BUILD/platform/sim/tool/vksim" image --version 2.4 --size 6144 \
    -o "$DESTINATION/vk4360rt_fpga_2.4.vkim"
