#include "interface/module_state.h"

ModuleState& moduleState() {
    static ModuleState state;
    return state;
}
