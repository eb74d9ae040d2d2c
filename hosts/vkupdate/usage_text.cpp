#include "usage_text.h"

const char* helpText() {
    return R"(vkupdate - firmware updater for TALVERON real-time target systems

Usage: vkupdate [options] COMMAND

Commands:
  boards       list the connected boards and their firmware versions
  history      list the firmware version histories
  plan         print the update plan without updating
  update       update the target
  reboot       reboot the target
  can-reboot   tell whether the target can be rebooted automatically
  catalogue    read a firmware container and list its update files, touching no target

Target (one is required, except for catalogue):
  --ip ADDRESS-OR-HOSTNAME   the target's IPv4 address or host name
  --system NAME              the target's system name

Firmware (required by plan, update and catalogue):
  --firmware DIR             folder of the firmware container
  --description FILE         description file inside DIR; defaults to the only *.xml
                             directly in DIR (none or several is an error)

Board filter:
  --board-type TYPE          only boards of this type, for example VK7101
  --serial LIST              only boards with these serial numbers, separated by commas
                             and/or blanks
  --slot N                   only the board in slot N (0 means any slot)

Parts to update (none given means all three):
  --user-firmware            user firmware files (FIRMWARE)
  --user-fpga                user FPGA firmware files (FPGAFIRMWARE)
  --bus-fpga                 bus FPGA files (BUSFPGA)

Update (the update command only):
  --stall-timeout SECONDS    an update that shows no progress for SECONDS of polling fails
                             (default 600, 0 waits for ever); sets VK_UPDATE_STALL_SECONDS
  --verify                   after a successful update, make the plan again (printed on
                             standard error) and exit with 1 when a file the update selected
                             is still to be installed; boot loaders take effect at the next
                             start of the target and are not checked

Behaviour:
  --skip-installed-check     do not compare with the files installed on the target
  --factory                  factory mode of the update file matching
  -y, --yes                  unload running real-time applications without asking
  -s, --silent               no progress display and no questions
  -v, --verbose              trace every step

Output:
  --events json              firmware-manager mode: every host event as one JSON object
                             per line on standard output; everything else the run prints
                             goes to standard error; not with boards or history
  --print-versions           with --events json: the version report instead of an update
                             (plan with --events json needs it)
  --json                     plan only: the plan as one JSON document on standard output;
                             everything else the run prints goes to standard error

Simulation:
  --targets DIR              folder of simulated targets (sets VK_SIM_TARGETS)

  -h, --help                 show this help and exit
  --version                  show the versions of vkupdate and of the library and exit

Exit status:
  boards, history, plan, update, reboot, catalogue:
    0    success
    1    failure; the message says why (the library gave up or reported errors, the
         firmware folder holds no single description file, or update --verify found a
         selected file that is not installed)
    2    the target's information could not be read (firmware-manager mode)
  can-reboot, the reason code:
    0    automatic reboot is supported
    1    not supported by the firmware version installed on a board
    2    not supported by a board
    3    cannot be determined (also when the target cannot be found or reached)
  update, interrupted by SIGINT or SIGTERM (the target may be partly updated; run the
  same command again to finish the update):
    130  SIGINT
    143  SIGTERM
  every command:
    64   wrong usage; the command line was refused and the library was not called
)";
}

const char* shortUsageText() {
    return "Usage: vkupdate [options] COMMAND\n"
           "Commands: boards, history, plan, update, reboot, can-reboot, catalogue\n"
           "Run 'vkupdate --help' for the commands, options and exit statuses.\n";
}
