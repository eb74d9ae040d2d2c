#!/bin/sh
# Updates three simulated targets at once with the Ansible playbook of examples/fleet: two lab
# systems and the compact one, the second lab system with a fault injected (the update of its
# communication node fails). Prints the outcome per target.
# Usage: sh scripts/fleet-demo.sh BUILD_DIR   (needs ansible-playbook: Debian's ansible-core)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:?usage: fleet-demo.sh BUILD_DIR}" && pwd)
TARGETS="$BUILD/fleet-targets"
FIRMWARE="$BUILD/fleet-firmware"

rm -rf "$TARGETS" && mkdir -p "$TARGETS" || exit 1
cp -R "$ROOT/examples/targets/lab-rtpc" "$ROOT/examples/targets/compact-rtpc" "$TARGETS/" || exit 1
cp -R "$ROOT/examples/targets/lab-rtpc" "$TARGETS/lab-rtpc-02" || exit 1
sed -i -e 's/"LAB-RTPC-01"/"LAB-RTPC-02"/' -e 's/"192\.168\.10\.21"/"192.168.10.22"/' \
    -e 's/^  "rebootCount": 0,$/  "rebootCount": 0,\n  "faults": [{"call": "update", "match": "104871"}],/' \
    "$TARGETS/lab-rtpc-02/target.json"
sh "$ROOT/scripts/complete-firmware.sh" "$BUILD" "$FIRMWARE" >/dev/null || exit 1

echo "Updating LAB-RTPC-01, LAB-RTPC-02 (fault injected) and RTPC-COMPACT-07, two at a time"
start=$(date +%s)
VK_SIM_TIME_SCALE=${VK_SIM_TIME_SCALE:-0.05} ANSIBLE_STDOUT_CALLBACK=default \
    ANSIBLE_NOCOLOR=1 ansible-playbook -i "$ROOT/examples/fleet/inventory.yml" \
    "$ROOT/examples/fleet/update.yml" -e "vkupdate=$BUILD/hosts/vkupdate/vkupdate" \
    -e "firmware=$FIRMWARE" -e "targets_folder=$TARGETS"
status=$?
printf '\nThe playbook took %s s and ended with exit status %s ' "$(($(date +%s) - start))" "$status"
if [ "$status" -ne 0 ]; then
    echo "(one target failed, as the fault injected into LAB-RTPC-02 makes it)."
else
    echo "(every target updated)."
fi
