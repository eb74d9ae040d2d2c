#include "update/update_stage_fixture.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "VkNInventoryIDs.h"
#include "reporting/format.h"
#include "sim/images.h"
#include "utf8_conversion.h"

namespace update_test {

namespace {

std::string inventoryOf(const std::vector<SimBoard>& boards) {
    nlohmann::json items = nlohmann::json::array();
    for (const SimBoard& board : boards) {
        const nlohmann::json product = {
            {"id", "PRODUCT"},
            {"params", {{"BOARD_TYPE", board.boardType}, {"SERIAL_NUMBER", board.serial}}}};
        items.push_back({{"id", board.id.toString().str()}, {"items", {product}}});
    }
    return items.dump();
}

}  // namespace

std::string updateLine(const std::string& fileName, const std::string& status) {
    const size_t fill = fileName.size() < 46 ? 46 - fileName.size() : 0;
    return std::string(8, ' ') + fileName + std::string(fill, ' ') + "  " + status + "\n";
}

SimBoard ioRouter(const char* boardType, uint32_t serial) {
    return SimBoard{boardType, serial, VkNInventoryIDs::IOROUTER[serial % 7 + 1]};
}

void UpdateStageTest::SetUp() {
    PlanningTest::SetUp();
    options.firmwareFolder = utf8ToWide(scratch.file("firmware"));
}

void UpdateStageTest::TearDown() {
    VkCErrorListPool ignored;
    if (lock != nullptr) {
        VkCInventoryManager::getInstance()->unlock(ignored, lock);
    }
    if (root != nullptr) {
        VkCInventoryManager::getInstance()->deleteRootHandle(ignored, root);
    }
    target.reset();
    PlanningTest::TearDown();
}

void UpdateStageTest::makeTarget(const std::vector<SimBoard>& boards, const std::string& faults,
                                 uint32_t polls) {
    for (const SimBoard& board : boards) {
        addBoard(board.boardType, board.serial).address = VkNInventoryIDs::ROOT / board.id;
    }
    target = std::make_unique<SimTarget>(scratch, "stages", faults, inventoryOf(boards));
    ASSERT_NE(target->device(), nullptr) << target->searchProblem();
    nlohmann::json doc = nlohmann::json::parse(targetJson());
    doc["updatePolls"] = polls;
    scratch.write("targets/stages/target.json", SimTarget::text(doc.dump()));
    VkTDeviceHandle device = target->device();
    VkCInventoryManager& manager = *VkCInventoryManager::getInstance();
    manager.createRootHandleByDeviceHandleList(pool, &device, 1, root);
    if (lockTarget) {
        manager.lock(pool, root, table.front().address, 0x10003, lock);
    }
    ASSERT_EQ(pool.getErrorCount(), 0u) << pool.getErrorText(0).c_str();
    moduleState().remoteFileHandles.resize(moduleState().fileCount);
}

UpdateFileRecord UpdateStageTest::imageFile(const char* boardType, uint32_t fwType,
                                            const std::string& name, const char* version,
                                            uint32_t pass) {
    UpdateFileRecord file = planning_test::makeFile(boardType, fwType, utf8ToWide(name).c_str());
    file.Version = VkCVersion(version);
    file.UpdatePass = pass;
    const std::string path = scratch.write("firmware/" + name, {});
    std::string error;
    EXPECT_TRUE(vksim::writeVkimImage(path, version, 1000, error)) << error;
    file.FileSize = 64 + 1000;
    return file;
}

UpdateRun& UpdateStageTest::run() {
    if (!run_) {
        run_ = std::make_unique<UpdateRun>(pool, options, table);
        run_->root = root;
        run_->device = target ? target->device() : nullptr;
        run_->lockHandle = lock;
        run_->transferred.assign(moduleState().fileCount, 0);
    }
    return *run_;
}

std::string UpdateStageTest::printed(const std::function<void()>& body) {
    return planning_test::captureStdout(body);
}

std::string UpdateStageTest::targetJson() const {
    std::ifstream in(scratch.file("targets/stages/target.json"));
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace update_test
