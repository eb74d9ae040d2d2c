#pragma once
#include <cstdint>
#include <string>

#include "VkCErrorList.h"
#include "sim/faults.h"
#include "sim/handles.h"
#include "sim/target_cache.h"
#include "sim/target_model.h"

// Steps that most calls share: finding the object of a handle, reading the target and
// failing the way a simulated fault asks.
namespace vksim {

// Enters "<function>: the <what> is not valid." in pool.
void enterInvalidHandle(VkCErrorListPool& pool, const char* function, const char* what);

// The object of a live handle of kind T; null (with an error naming what in pool) otherwise.
template <typename T>
T* handleFor(VkCErrorListPool& pool, const char* function, const void* handle, const char* what) {
    T* object = findHandle<T>(handle);
    if (object == nullptr) {
        enterInvalidHandle(pool, function, what);
    }
    return object;
}

// The device of a handle; null (with an error in pool) when it is no live device handle.
Device* deviceFor(VkCErrorListPool& pool, const char* function, const void* handle);

// The target of folder as it is now; on failure the error names target.json and the place.
bool loadTargetFor(VkCErrorListPool& pool, const char* function, const std::string& folder,
                   SharedTarget& target);

// Enters the error of a fault that fired: its errorCode, or the simulation's fault code.
void enterFaultError(VkCErrorListPool& pool, const char* function, const Target& target,
                     const Fault& fault, uint32_t node = 0);

// The result a call answers for a fault that fired: its errorCode when it has a non-zero one,
// else "failed".
int32_t faultResult(const Fault& fault);

// Loads the target and fires the first matching fault of call. True when the call may go
// on; false when loading failed or a fault fired (the error is in pool either way).
bool passTargetAndFaults(VkCErrorListPool& pool, const char* function, const std::string& folder,
                         const std::string& call, const FaultSubject& subject, SharedTarget& target,
                         int32_t* faultCode = nullptr, uint32_t node = 0);

// For the calls that release something: fires a matching fault of call (its error in pool,
// its result returned), else 0. A target that cannot be read does not stop a release.
int32_t releaseFault(VkCErrorListPool& pool, const char* function, const std::string& folder,
                     const std::string& call);

}  // namespace vksim
