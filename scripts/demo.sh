#!/bin/sh
# Demo of vkupdate against simulated targets: copies the example targets into the build
# folder (examples/ stays untouched), lists what they carry, and shows the update plan of the
# lab system for the example firmware container that the build made.
# Usage: sh scripts/demo.sh BUILD_DIR
set -u

if [ $# -ne 1 ]; then
    echo "usage: sh scripts/demo.sh BUILD_DIR" >&2
    exit 64
fi
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$1" 2>/dev/null && pwd) || { echo "demo: no build folder $1" >&2; exit 1; }
VKUPDATE="$BUILD/hosts/vkupdate/vkupdate"
TARGETS="$BUILD/demo-targets"
SHOWN_TARGETS="${1%/}/demo-targets"  # as the user named it, for the headings
FIRMWARE="$BUILD/examples/firmware/release-5.0"
SHOWN_FIRMWARE="${1%/}/examples/firmware/release-5.0"

if [ ! -x "$VKUPDATE" ]; then
    echo "demo: $VKUPDATE is missing; build the project first (make build)" >&2
    exit 1
fi
if [ ! -f "$FIRMWARE/release.xml" ]; then
    echo "demo: $FIRMWARE is missing; build the project first (make build)" >&2
    exit 1
fi

rm -rf "$TARGETS"
mkdir -p "$TARGETS"
for target in lab-rtpc compact-rtpc; do
    cp -R "$ROOT/examples/targets/$target" "$TARGETS/" || exit 1
done

heading() {
    printf '\n==> vkupdate --targets %s %s\n' "$SHOWN_TARGETS" "$*"
}

# A listing must succeed.
run_listing() {
    heading "$@"
    if ! "$VKUPDATE" --targets "$TARGETS" "$@"; then
        echo "demo: 'vkupdate $*' failed" >&2
        exit 1
    fi
}

# can-reboot answers with its reason code; 0 to 3 are answers, anything else is a failure.
run_can_reboot() {
    heading "$@" can-reboot
    "$VKUPDATE" --targets "$TARGETS" "$@" can-reboot
    reason=$?
    case $reason in
        0) meaning="automatic reboot is supported" ;;
        1) meaning="not supported by the firmware version installed on a board" ;;
        2) meaning="not supported by a board" ;;
        3) meaning="cannot be determined" ;;
        *) echo "demo: 'vkupdate $* can-reboot' failed with exit status $reason" >&2
           exit 1 ;;
    esac
    printf '(exit status %s: %s)\n' "$reason" "$meaning"
}

# The plan must succeed; the firmware folder is shown as the user named the build folder.
run_plan() {
    heading "$@" --firmware "$SHOWN_FIRMWARE" plan
    if ! "$VKUPDATE" --targets "$TARGETS" "$@" --firmware "$FIRMWARE" plan; then
        echo "demo: 'vkupdate $* --firmware $SHOWN_FIRMWARE plan' failed" >&2
        exit 1
    fi
}

echo "Simulated targets copied to $SHOWN_TARGETS"

run_listing --system LAB-RTPC-01 boards
run_listing --system LAB-RTPC-01 history
run_can_reboot --system LAB-RTPC-01

run_listing --ip 192.168.10.37 boards
run_can_reboot --ip 192.168.10.37

run_plan --system LAB-RTPC-01

printf '\nDemo finished.\n'
