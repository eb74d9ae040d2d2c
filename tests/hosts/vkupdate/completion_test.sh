#!/bin/bash
# The bash completion of vkupdate offers every option its --help names, every command, and
# folders after --firmware and --targets.
# Usage: completion_test.sh COMPLETION-SCRIPT VKUPDATE
set -u
source "$1"
complete_line() {  # the words of a command line, the last one being completed
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _vkupdate
    printf '%s\n' "${COMPREPLY[@]}"
}
status=0
offered=$(complete_line vkupdate -)
for option in $("$2" --help | grep -oE '(^|[ ,])-(-[a-z-]+|[a-z])\b' | tr -d ' ,' | sort -u); do
    grep -qx -- "$option" <<<"$offered" || { echo "option $option is not completed"; status=1; }
done
commands=$(complete_line vkupdate '')
for command in boards history plan update reboot can-reboot catalogue; do
    grep -qx -- "$command" <<<"$commands" || { echo "command $command is not completed"; status=1; }
done
folder=$(mktemp -d) && mkdir "$folder/firmware-a" && touch "$folder/file-b"
for option in --firmware --targets; do
    [ "$(complete_line vkupdate "$option" "$folder/")" = "$folder/firmware-a" ] ||
        { echo "$option does not complete folders only"; status=1; }
done
rm -rf "$folder"
exit $status
