#!/bin/sh
# Demo of vkupdate against simulated targets: copies the example targets into the build
# folder (examples/ stays untouched), lists what they carry, shows the update plan of the lab
# system for the example firmware container that the build made, and then updates the lab
# system, restarting it between runs, until a run has nothing left to do.
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
FULL_FIRMWARE="$BUILD/demo-firmware"
SHOWN_FULL_FIRMWARE="${1%/}/demo-firmware"
# Waits of the update at a fifth of their real length: the progress stays visible.
VK_SIM_TIME_SCALE=${VK_SIM_TIME_SCALE:-0.2}
export VK_SIM_TIME_SCALE

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

# The example container leaves out one file on purpose (the plan shows it as missing); the
# update runs from a copy that has it.
complete_firmware() {
    sh "$ROOT/scripts/complete-firmware.sh" "$BUILD" "$FULL_FIRMWARE" >/dev/null || {
        echo "demo: cannot make $FULL_FIRMWARE" >&2
        exit 1
    }
}

# One update run, shown as it happens; it must succeed. Sets did_something when the run
# transferred or wrote a file.
run_update() {
    heading "$@" --firmware "$SHOWN_FULL_FIRMWARE" update
    log="$TARGETS/update.log"
    { "$VKUPDATE" --targets "$TARGETS" "$@" --firmware "$FULL_FIRMWARE" update; echo $? >"$log.status"; } |
        tee "$log"
    status=$(cat "$log.status")
    if [ "$status" -ne 0 ]; then
        echo "demo: 'vkupdate $* update' failed with exit status $status" >&2
        exit 1
    fi
    did_something=no
    if grep -q -e '^Transferring files:' -e '^Updating boot loader:' -e '^Updating files:' "$log"; then
        did_something=yes
    fi
    rm -f "$log" "$log.status"
}

echo "Simulated targets copied to $SHOWN_TARGETS"

run_listing --system LAB-RTPC-01 boards
run_listing --system LAB-RTPC-01 history
run_can_reboot --system LAB-RTPC-01

run_listing --ip 192.168.10.37 boards
run_can_reboot --ip 192.168.10.37

run_plan --system LAB-RTPC-01

complete_firmware
printf '\n%s holds the example container and the file it leaves out.\n' "$SHOWN_FULL_FIRMWARE"
run=1
while :; do
    printf '\n### Update run %s\n' "$run"
    run_update --system LAB-RTPC-01
    [ "$did_something" = yes ] || break
    if [ "$run" -eq 1 ]; then
        run_listing --system LAB-RTPC-01 boards
    fi
    if [ "$run" -ge 4 ]; then
        echo "demo: the update still had work to do after $run runs" >&2
        exit 1
    fi
    # Boot loaders and the processing unit's new firmware take effect when the target starts.
    run_listing --system LAB-RTPC-01 reboot
    run=$((run + 1))
done
printf '\nUpdate run %s had nothing left to do: the lab system is up to date.\n' "$run"

printf '\nDemo finished.\n'
