// Helper of the cross-process tests: takes the inventory "lock" or the exclusive access
// "restrict"ion of the simulated target named, says "held" and keeps it until killed (with "exit":
// ends at once), or says "refused" (exit status 2).
#include <unistd.h>
#include <cstdio>
#include <cstring>
#include <string>
#include "VkCInventoryManager.h"
#include "VkLnk.h"
#include "VkNInventoryIDs.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        return 64;
    }
    VkCErrorListPool pool;
    VkTFilterHandle filter = nullptr;
    VkLnk_createFilter(pool, filter, 1);
    VkLnk_setFilterParameter(pool, filter, VkLnk_FILTER_SYSTEM_NAME,
                             static_cast<uint32_t>(std::strlen(argv[1]) + 1), argv[1]);
    VkLnk_applyFilter(pool, filter);
    VkSDeviceInformation record;
    uint32_t count = 1;
    VkTDeviceHandle device = nullptr;
    VkTAccessRestrictionHandle restriction = nullptr;
    VkCInventoryManager* manager = VkCInventoryManager::getInstance();
    VkCInventoryRootHandle* root = nullptr;
    VkTLockHandle lock = nullptr;
    const bool held =
        VkLnk_getDeviceList(pool, filter, &record, count) == 0 && count == 1 &&
        VkLnk_createDeviceHandle(pool, device, record) == 0 &&
        (std::string(argv[2]) == "restrict"
             ? VkLnk_createAccessRestrictionHandle(pool, device, restriction) == 0 &&
                   VkLnk_requestAccessRestrictionLevel(pool, restriction, 0, 0x10003) == 0
             : manager->createRootHandleByDeviceHandleList(pool, &device, 1, root) == 0 &&
                   manager->lock(pool, root, VkNInventoryIDs::ROOT / VkNInventoryIDs::HCN, 0x10003,
                                 lock) == 0);
    VkLnk_deleteFilter(pool, filter);
    std::printf(held ? "held\n" : "refused\n");
    std::fflush(stdout);
    while (held && argc == 3) {
        ::pause();
    }
    return held ? 0 : 2;
}
