// Helper process of the tests: takes the inventory lock ("lock") or the exclusive access
// restriction ("restrict") on a simulated target, says "held", and keeps it until its
// standard input closes or it is killed.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "VkCInventoryManager.h"
#include "VkLnk.h"
#include "VkNInventoryIDs.h"

namespace {

VkTDeviceHandle openDevice(VkCErrorListPool& pool, const char* name) {
    VkTFilterHandle filter = nullptr;
    VkLnk_createFilter(pool, filter, 1);
    VkLnk_setFilterParameter(pool, filter, VkLnk_FILTER_SYSTEM_NAME,
                             static_cast<uint32_t>(std::strlen(name) + 1), name);
    VkLnk_applyFilter(pool, filter);
    VkSDeviceInformation record;
    uint32_t count = 1;
    VkTDeviceHandle device = nullptr;
    if (VkLnk_getDeviceList(pool, filter, &record, count) == 0 && count == 1) {
        VkLnk_createDeviceHandle(pool, device, record);
    }
    VkLnk_deleteFilter(pool, filter);
    return device;
}

bool hold(VkCErrorListPool& pool, VkTDeviceHandle device, const std::string& what) {
    if (what == "restrict") {
        VkTAccessRestrictionHandle restriction = nullptr;
        return VkLnk_createAccessRestrictionHandle(pool, device, restriction) == 0 &&
               VkLnk_requestAccessRestrictionLevel(pool, restriction, 0, 0x10003) == 0;
    }
    VkCInventoryManager* manager = VkCInventoryManager::getInstance();
    VkCInventoryRootHandle* root = nullptr;
    VkTLockHandle lock = nullptr;
    return manager->createRootHandleByDeviceHandleList(pool, &device, 1, root) == 0 &&
           manager->lock(pool, root, VkNInventoryIDs::ROOT / VkNInventoryIDs::HCN, 0x10003, lock) ==
               0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: sim_holder TARGETS SYSTEM-NAME lock|restrict\n");
        return 64;
    }
    ::setenv("VK_SIM_TARGETS", argv[1], 1);
    VkCErrorListPool pool;
    VkTDeviceHandle device = openDevice(pool, argv[2]);
    if (device == nullptr || !hold(pool, device, argv[3])) {
        std::printf("refused\n");
        return 2;
    }
    std::printf("held\n");
    std::fflush(stdout);
    char byte = 0;
    while (::read(STDIN_FILENO, &byte, 1) > 0) {
    }
    return 0;
}
