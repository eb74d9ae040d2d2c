#pragma once
// Ground of the update-stage tests: the boards of a test are both records of the board table
// and items of a simulated target of its own, which is opened, given a root handle and
// locked as an update run would; update files are real images in a firmware folder.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "VkCInventoryManager.h"
#include "inventory/run_fixture.h"
#include "update/scratch_folder.h"
#include "update/sim_target.h"
#include "update/update_run.h"

namespace update_test {

struct SimBoard {
    const char* boardType;
    uint32_t serial;
    VkCInventoryAddress id;  // the board's top-level item in the target's inventory
};

class UpdateStageTest : public planning_test::PlanningTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Adds the boards to the table and to a new simulated target (faults and updatePolls as
    // given), then opens, roots and (unless lockTarget is cleared) locks it. The catalogue
    // must be set before.
    void makeTarget(const std::vector<SimBoard>& boards, const std::string& faults = "[]",
                    uint32_t polls = 3);
    // A catalogue entry whose file is a sound image of version in the firmware folder.
    UpdateFileRecord imageFile(const char* boardType, uint32_t fwType, const std::string& name,
                               const char* version = "2.0", uint32_t pass = 1);
    // The run record of the stages, made on first use.
    UpdateRun& run();
    // Runs body with standard output captured; what it printed.
    std::string printed(const std::function<void()>& body);
    // target.json of the test's target.
    std::string targetJson() const;

    ScratchFolder scratch;
    std::unique_ptr<SimTarget> target;
    VkCErrorListPool pool;
    VkTCmdOptions options;
    VkCInventoryRootHandle* root = nullptr;
    VkTLockHandle lock = nullptr;
    bool lockTarget = true;

  private:
    std::unique_ptr<UpdateRun> run_;
};

// An update output line: the file name in its column, then the status.
std::string updateLine(const std::string& fileName, const std::string& status);

// A board at ROOT/IOROUTER[n], where the plain planning boards of serial s sit (n = s % 7 + 1).
SimBoard ioRouter(const char* boardType, uint32_t serial);

}  // namespace update_test
