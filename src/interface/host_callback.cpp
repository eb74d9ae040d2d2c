#include "VkTalveronUpdateLib.h"
#include "interface/module_state.h"

void SetFwMgrFunction(VkTHostCallback callback) {
    moduleState().hostCallback = callback;
}
