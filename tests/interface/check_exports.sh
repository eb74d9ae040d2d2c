#!/bin/sh
# The shared library exports exactly the library's functions: the four of the host interface
# and the plan query GetLastUpdatePlan; nothing of its internals.
set -eu
library="$1"
actual=$(nm -DC --defined-only "$library" | awk '$2 ~ /^[TtWwVviu]$/ { $1=""; $2=""; sub(/^  /, ""); print }' | sort)
expected=$(printf '%s\n' \
    'GetLastUpdatePlan()' \
    'GetLibVersion()' \
    'SetFwMgrFunction(unsigned int (*)(ParameterSet))' \
    'VkSmartUpdateTool(VkCErrorListPool&, VkTCmdOptions)' \
    'checkRebootSupport(VkCErrorListPool&, VkTCmdOptions, unsigned int&)' | sort)
if [ "$actual" != "$expected" ]; then
    printf 'exported functions differ:\n--- expected\n%s\n--- actual\n%s\n' "$expected" "$actual"
    exit 1
fi
echo "exports OK"
