#include "sim_fixture.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "VkNInventoryIDs.h"

namespace simtest {

namespace {

int removeEntry(const char* path, const struct stat*, int, struct FTW*) {
    return ::remove(path);
}

}  // namespace

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vksim-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
        ADD_FAILURE() << "mkdtemp failed";
    }
    path_ = buffer.data();
}

TempFolder::~TempFolder() {
    ::nftw(path_.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void ApplicationsTest::SetUp() {
    folder_ = addTarget("t1", standardTarget());
    device_ = openDevice();
    ASSERT_NE(device_, nullptr);
    ASSERT_EQ(VkLnk_createAccessRestrictionHandle(pool_, device_, restriction_), 0);
    ASSERT_EQ(VkLnk_requestAccessRestrictionLevel(pool_, restriction_, 0, 0x10003), 0);
}

void ApplicationsTest::TearDown() {
    VkLnk_deleteAccessRestrictionHandle(pool_, restriction_);
    VkLnk_deleteDeviceHandle(pool_, device_);
}

int32_t ApplicationsTest::list(std::vector<uint32_t>& ids, int32_t capacity) {
    ids.assign(255, 0);
    int32_t count = capacity;
    const int32_t result =
        VkApplMan_getApplications(pool_, device_, restriction_, 0, ids.data(), count);
    ids.resize(result == 0 ? static_cast<size_t>(count) : 0);
    lastCount_ = count;
    return result;
}

Json standardTarget(const std::string& systemName, const std::string& ipAddress) {
    return Json::parse(R"({
      "systemName": ")" +
                       systemName + R"(",
      "ipAddress": ")" +
                       ipAddress + R"(",
      "applications": [26, 27],
      "inventory": [
        {"id": "HCN", "params": {"SLOT": 1}, "items": [
          {"id": "PRODUCT", "params": {"BOARD_TYPE": "VK7101", "SERIAL_NUMBER": 4711,
                                       "SYSTEM_CLASS": "0x20001", "HW_TYPE": 3,
                                       "PRODUCT_VERSION": "1.2"}},
          {"id": "FIRMWARE", "params": {"VERSION": "3.2.1", "CHECKSUM_CRC32": 305419896,
                                        "VERSION_HISTORY": "2024-01-01 10:00:00 3.2.1"}},
          {"id": "SUB_BOARDS", "items": [
            {"id": "ION[2]", "items": [
              {"id": "PRODUCT", "params": {"BOARD_TYPE": "VK4320", "SERIAL_NUMBER": 815,
                                           "SYSTEM_CLASS": 262145}}
            ]}
          ]}
        ]}
      ]
    })");
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

Json readJson(const std::string& path) {
    return Json::parse(readFile(path));
}

std::wstring wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

std::string lastErrorText(const VkCErrorListPool& pool) {
    const uint32_t count = pool.getEntryCount();
    return count == 0 ? std::string() : std::string(pool.getErrorText(count - 1).c_str());
}

uint32_t lastErrorCode(const VkCErrorListPool& pool) {
    const uint32_t count = pool.getEntryCount();
    return count == 0 ? 0 : pool.getErrorCode(count - 1);
}

SimTest::SimTest() {
    ::mkdir(targets().c_str(), 0755);
    ::setenv("VK_SIM_TARGETS", targets().c_str(), 1);
}

SimTest::~SimTest() {
    ::unsetenv("VK_SIM_TARGETS");
}

std::string SimTest::addTarget(const std::string& folder, const Json& target) {
    return addTargetText(folder, target.dump(2));
}

std::string SimTest::addTargetText(const std::string& folder, const std::string& text) {
    const std::string path = targets() + "/" + folder;
    ::mkdir(path.c_str(), 0755);
    ::mkdir((path + "/cfdrive").c_str(), 0755);
    writeFile(path + "/target.json", text);
    return path;
}

Json SimTest::targetJson(const std::string& folder) const {
    return readJson(targets() + "/" + folder + "/target.json");
}

int32_t SimTest::searchDevices(uint32_t parameter, const void* value, uint32_t size,
                               std::vector<VkSDeviceInformation>& found) {
    VkTFilterHandle filter = nullptr;
    VkLnk_createFilter(pool_, filter, 1);
    if (value != nullptr) {
        VkLnk_setFilterParameter(pool_, filter, parameter, size, value);
    }
    VkLnk_applyFilter(pool_, filter);
    uint32_t count = 0;
    int32_t result = VkLnk_getDeviceList(pool_, filter, nullptr, count);
    found.clear();
    if (result == VkLnk_ERR_BUFFER_TOO_SMALL) {
        pool_.reset();
        found.resize(count);
        result = VkLnk_getDeviceList(pool_, filter, found.data(), count);
    }
    VkLnk_deleteFilter(pool_, filter);
    return result;
}

VkTDeviceHandle SimTest::openDevice(const std::string& systemName) {
    std::vector<VkSDeviceInformation> found;
    if (searchDevices(VkLnk_FILTER_SYSTEM_NAME, systemName.c_str(),
                      static_cast<uint32_t>(systemName.size() + 1), found) != 0 ||
        found.size() != 1) {
        return nullptr;
    }
    VkTDeviceHandle device = nullptr;
    VkLnk_createDeviceHandle(pool_, device, found[0]);
    return device;
}

bool OpenTarget::open(const std::string& systemName, bool lockIt) {
    VkTFilterHandle filter = nullptr;
    VkLnk_createFilter(pool, filter, 1);
    VkLnk_setFilterParameter(pool, filter, VkLnk_FILTER_SYSTEM_NAME,
                             static_cast<uint32_t>(systemName.size() + 1), systemName.c_str());
    VkLnk_applyFilter(pool, filter);
    VkSDeviceInformation record;
    uint32_t count = 1;
    const int32_t result = VkLnk_getDeviceList(pool, filter, &record, count);
    VkLnk_deleteFilter(pool, filter);
    if (result != 0 || count != 1 || VkLnk_createDeviceHandle(pool, device, record) != 0) {
        return false;
    }
    VkCInventoryManager* manager = VkCInventoryManager::getInstance();
    if (manager->createRootHandleByDeviceHandleList(pool, &device, 1, root) != 0) {
        return false;
    }
    return !lockIt || manager->lock(pool, root, hcnAddress(), 0x10003, lock) == 0;
}

OpenTarget::~OpenTarget() {
    VkCErrorListPool ignored;
    VkCInventoryManager* manager = VkCInventoryManager::getInstance();
    if (lock != nullptr) {
        manager->unlock(ignored, lock);
    }
    if (root != nullptr) {
        manager->deleteRootHandle(ignored, root);
    }
    if (device != nullptr) {
        VkLnk_deleteDeviceHandle(ignored, device);
    }
}

VkCInventoryAddress hcnAddress() {
    return VkNInventoryIDs::ROOT / VkNInventoryIDs::HCN;
}

VkCInventoryAddress ionAddress() {
    return hcnAddress() / VkNInventoryIDs::SUB_BOARDS / VkNInventoryIDs::ION[2];
}

}  // namespace simtest
