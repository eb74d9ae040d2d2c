#include "update/plan_query.h"

#include <gtest/gtest.h>

#include "inventory/run_fixture.h"

namespace {

using namespace planning_test;

std::vector<PlanDecision> decisions(const PlanBoard& board) {
    std::vector<PlanDecision> result;
    for (const PlanMatch& match : board.matches) {
        result.push_back(match.decision);
    }
    return result;
}

TEST_F(PlanningTest, PlanDescribesEveryBoardAndDecision) {
    UpdateFileRecord install = makeFile("VK7101", 1, L"r\u00e9lease/fw.bin");
    install.Version = VkCVersion("3.2");
    install.UpdatePass = 2;
    UpdateFileRecord installed = makeFile("VK7101", 3);
    UpdateFileRecord missing = makeFile("VK7101", 7);
    missing.IsMissing = true;
    UpdateFileRecord inactive = makeFile("VK7101", 11);
    inactive.IsSelected = false;
    setCatalogue({install, installed, missing, inactive});
    BoardRecord& board = addBoard("VK7101", 21);
    board.slot = 4;
    addMatch(board, 0);
    addMatch(board, 1, true);
    addMatch(board, 2);
    addMatch(board, 3);
    BoardRecord& other = addBoard("VK7101", 22);
    addMatch(other, 0);
    VkTCmdOptions options;
    options.serialNumbers = "21";

    const UpdatePlan plan = describeUpdatePlan(table, options);
    ASSERT_TRUE(plan.present);
    ASSERT_EQ(plan.boards.size(), 2u);
    const PlanBoard& first = plan.boards[0];
    EXPECT_EQ(first.boardIndex, 0u);
    EXPECT_EQ(first.boardType, "VK7101");
    EXPECT_EQ(first.serialNumber, 21u);
    EXPECT_EQ(first.slot, 4u);
    EXPECT_EQ(first.address, "ROOT/IOROUTER");
    EXPECT_TRUE(first.selected);
    EXPECT_EQ(decisions(first),
              (std::vector<PlanDecision>{PlanDecision::Install, PlanDecision::AlreadyInstalled,
                                         PlanDecision::MissingFile, PlanDecision::NotSelected}));
    EXPECT_EQ(first.matches[0].catalogueIndex, 0);
    EXPECT_EQ(first.matches[0].fileName, "r\xc3\xa9lease/fw.bin");  // UTF-8
    EXPECT_EQ(first.matches[0].typeName, "Firmware");
    EXPECT_EQ(first.matches[0].version, "3.2");
    EXPECT_TRUE(first.matches[0].hasUpdatePass);
    EXPECT_EQ(first.matches[0].updatePass, 2u);
    EXPECT_FALSE(first.matches[1].hasUpdatePass);

    const PlanBoard& second = plan.boards[1];
    EXPECT_EQ(second.boardIndex, 1u);
    EXPECT_FALSE(second.selected);
    EXPECT_EQ(decisions(second), std::vector<PlanDecision>{PlanDecision::NotSelected});
    EXPECT_FALSE(second.matches[0].hasUpdatePass);
}

TEST_F(PlanningTest, BoardsTheCompatibilityCheckDroppedKeepTheirMatchesAsIncompatible) {
    setCatalogue({makeFile("VK7101", 1), makeFile("VK7101", 3)});
    BoardRecord& ignored = addBoard("VK7101", 1);
    addMatch(ignored, 0);
    addMatch(ignored, 1);
    ignored.fileFailed[0] = 1;
    ignored.matchCount = 0;  // what the check does to a board it ignores
    BoardRecord& failedFile = addBoard("VK7101", 2);
    addMatch(failedFile, 0);
    addMatch(failedFile, 1);
    failedFile.fileFailed[0] = 1;

    const UpdatePlan plan = describeUpdatePlan(table, VkTCmdOptions());
    EXPECT_EQ(decisions(plan.boards[0]),
              (std::vector<PlanDecision>{PlanDecision::Incompatible, PlanDecision::Incompatible}));
    EXPECT_FALSE(plan.boards[0].matches[1].hasUpdatePass);
    EXPECT_EQ(decisions(plan.boards[1]),
              (std::vector<PlanDecision>{PlanDecision::Incompatible, PlanDecision::Install}));
}

TEST_F(PlanningTest, DecisionNamesAreTheDocumentedTexts) {
    EXPECT_STREQ(planDecisionName(PlanDecision::Install), "install");
    EXPECT_STREQ(planDecisionName(PlanDecision::AlreadyInstalled), "already installed");
    EXPECT_STREQ(planDecisionName(PlanDecision::NotSelected), "not selected");
    EXPECT_STREQ(planDecisionName(PlanDecision::Incompatible), "incompatible");
    EXPECT_STREQ(planDecisionName(PlanDecision::MissingFile), "missing file");
}

TEST_F(PlanningTest, RememberedPlanIsTheLastOne) {
    setCatalogue({makeFile("VK7101", 1)});
    addMatch(addBoard("VK7101", 9), 0);
    rememberUpdatePlan(describeUpdatePlan(table, VkTCmdOptions()));
    ASSERT_TRUE(lastUpdatePlan().present);
    EXPECT_EQ(lastUpdatePlan().boards.at(0).serialNumber, 9u);
    rememberUpdatePlan(UpdatePlan());
    EXPECT_FALSE(lastUpdatePlan().present);
}

// The exported query hands out the remembered plan itself, and nothing while there is none.
TEST_F(PlanningTest, ExportedQueryGivesTheRememberedPlanOrNull) {
    forgetUpdatePlan();
    EXPECT_EQ(GetLastUpdatePlan(), nullptr);
    setCatalogue({makeFile("VK7101", 1)});
    addMatch(addBoard("VK7101", 9), 0);
    rememberUpdatePlan(describeUpdatePlan(table, VkTCmdOptions()));
    const UpdatePlan* plan = GetLastUpdatePlan();
    ASSERT_NE(plan, nullptr);
    EXPECT_EQ(plan, &lastUpdatePlan());
    ASSERT_EQ(plan->boards.size(), 1u);
    EXPECT_EQ(plan->boards[0].serialNumber, 9u);
    rememberUpdatePlan(UpdatePlan());  // an empty plan is no plan
    EXPECT_EQ(GetLastUpdatePlan(), nullptr);
    rememberUpdatePlan(describeUpdatePlan(table, VkTCmdOptions()));
    forgetUpdatePlan();
    EXPECT_EQ(GetLastUpdatePlan(), nullptr);
}

}  // namespace
