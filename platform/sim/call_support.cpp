#include "sim/call_support.h"

#include "sim/sim_errors.h"
#include "sim/target_store.h"

namespace vksim {

void enterInvalidHandle(VkCErrorListPool& pool, const char* function, const char* what) {
    enterError(pool, kErrInvalidHandle, function,
               std::string(function) + ": the " + what + " is not valid.");
}

Device* deviceFor(VkCErrorListPool& pool, const char* function, const void* handle) {
    return handleFor<Device>(pool, function, handle, "device handle");
}

bool loadTargetFor(VkCErrorListPool& pool, const char* function, const std::string& folder,
                   SharedTarget& target) {
    std::string error;
    target = currentTarget(folder, error);
    if (!target) {
        enterError(pool, kErrTargetFile, function, "The simulated target cannot be read: " + error);
        return false;
    }
    return true;
}

void enterFaultError(VkCErrorListPool& pool, const char* function, const Target& target,
                     const Fault& fault, uint32_t node) {
    const uint32_t code = fault.errorCode.value_or(kErrSimulatedFault);
    enterError(pool, code, function,
               std::string(function) + " failed (simulated fault faults[" +
                   std::to_string(fault.index) + "] of target \"" + target.systemName + "\").",
               node);
}

int32_t faultResult(const Fault& fault) {
    const int32_t code = static_cast<int32_t>(fault.errorCode.value_or(0));
    return code != 0 ? code : kResultFailed;
}

bool passTargetAndFaults(VkCErrorListPool& pool, const char* function, const std::string& folder,
                         const std::string& call, const FaultSubject& subject, SharedTarget& target,
                         int32_t* faultCode, uint32_t node) {
    if (!loadTargetFor(pool, function, folder, target)) {
        if (faultCode != nullptr) {
            *faultCode = kResultFailed;
        }
        return false;
    }
    const std::optional<Fault> fault = takeFault(*target, call, subject);
    if (!fault) {
        return true;
    }
    enterFaultError(pool, function, *target, *fault, node);
    if (faultCode != nullptr) {
        *faultCode = faultResult(*fault);
    }
    return false;
}

int32_t releaseFault(VkCErrorListPool& pool, const char* function, const std::string& folder,
                     const std::string& call) {
    std::string ignored;
    const SharedTarget current = currentTarget(folder, ignored);
    if (!current) {
        return kResultOk;
    }
    const std::optional<Fault> fault = takeFault(*current, call, {});
    if (!fault) {
        return kResultOk;
    }
    enterFaultError(pool, function, *current, *fault);
    return faultResult(*fault);
}

}  // namespace vksim
