#include <gtest/gtest.h>

#include <string>

#include "driver/application_guard.h"
#include "driver/console_input.h"
#include "driver/device_access.h"
#include "driver/sim_targets.h"
#include "inventory/host_event_recorder.h"
#include "reporting/output_mode.h"

namespace {

using Json = SimTargets::Json;

const char* const kAskUnload =
    "\nLoaded Application(s) found!\nDo you want to unload all applications (y/n)?";
const char* const kRefused = "\nERROR: Real-time application is running on target system!\n";
const char* const kListUnknown =
    "ERROR: Cannot determine whether real-time applications are loaded on target system!\n";
const char* const kAskAnyway = "\nDo you want to start the update anyway (y/n)?";
const char* const kTryingAnyway =
    "ERROR: Cannot determine whether real-time applications are loaded on target system! "
    "Trying to start update anyway...\n";

class ApplicationGuard : public ConsoleOutputTest {
  protected:
    // A target "lab" with the given applications and faults, and a device handle on it.
    void makeTarget(const Json& applications, const Json& faults = Json::array()) {
        Json target = SimTargets::target("lab", "192.168.0.10");
        target["applications"] = applications;
        target["faults"] = faults;
        targets_.add("lab", target);
        VkTCmdOptions search;
        search.systemName = "lab";
        ASSERT_EQ(openDeviceHandle(pool_, search, device_), 0);
        ASSERT_NE(device_, nullptr);
    }
    void TearDown() override {
        if (device_ != nullptr) {
            VkLnk_deleteDeviceHandle(pool_, device_);
        }
        ConsoleOutputTest::TearDown();
    }

    // Runs the guard with answer on standard input; gives its result, output in printed_.
    int32_t guard(const std::string& answer, bool silent = false, bool assumeYes = false) {
        feedStandardInput(answer);
        VkTCmdOptions options;
        options.silent = silent;
        options.assumeYes = assumeYes;
        testing::internal::CaptureStdout();
        const int32_t result = checkRunningApplications(pool_, options, device_);
        printed_ = testing::internal::GetCapturedStdout();
        return result;
    }
    Json applicationsLeft() { return targets_.read("lab")["applications"]; }

    SimTargets targets_;
    VkCErrorListPool pool_;
    VkTDeviceHandle device_ = nullptr;
    std::string printed_;
};

TEST_F(ApplicationGuard, NoApplicationsGoesOnWithoutOutput) {
    makeTarget(Json::array());
    EXPECT_EQ(guard(""), 0);
    EXPECT_EQ(printed_, "");
    EXPECT_EQ(pool_.getErrorCount(), 0u);
}

struct NoQuestionCase {
    bool silent;
    bool assumeYes;
};

class ApplicationGuardWithoutQuestion : public ApplicationGuard,
                                        public testing::WithParamInterface<NoQuestionCase> {};

TEST_P(ApplicationGuardWithoutQuestion, UnloadsAllInListOrder) {
    makeTarget(Json::array({0x1A, 0xBEEF}));
    EXPECT_EQ(guard("n\n", GetParam().silent, GetParam().assumeYes), 0);
    EXPECT_EQ(printed_,
              "\n\tApplication with ID: 0x1a unloaded\n\tApplication with ID: 0xbeef unloaded\n");
    EXPECT_EQ(applicationsLeft(), Json::array());
}

INSTANTIATE_TEST_SUITE_P(Options, ApplicationGuardWithoutQuestion,
                         testing::Values(NoQuestionCase{true, false}, NoQuestionCase{false, true},
                                         NoQuestionCase{true, true}));

struct AnswerCase {
    const char* answer;
    bool yes;
};

class ApplicationGuardAnswers : public ApplicationGuard,
                                public testing::WithParamInterface<AnswerCase> {};

TEST_P(ApplicationGuardAnswers, OnlyAnAnswerStartingWithYUnloads) {
    makeTarget(Json::array({7}));
    const int32_t result = guard(GetParam().answer);
    if (GetParam().yes) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(printed_, std::string(kAskUnload) + "\n\tApplication with ID: 0x7 unloaded\n");
        EXPECT_EQ(applicationsLeft(), Json::array());
    } else {
        EXPECT_EQ(result, -1);
        EXPECT_EQ(printed_, std::string(kAskUnload) + kRefused);
        EXPECT_EQ(applicationsLeft(), Json::array({7}));
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, ApplicationGuardAnswers,
                         testing::Values(AnswerCase{"y\n", true}, AnswerCase{"Y\n", true},
                                         AnswerCase{"yes\n", true}, AnswerCase{"Yo, go\n", true},
                                         AnswerCase{"y", true}, AnswerCase{"n\n", false},
                                         AnswerCase{"\n", false}, AnswerCase{" y\n", false},
                                         AnswerCase{"no\ny\n", false}, AnswerCase{"", false}));

TEST_F(ApplicationGuard, OnlyOneLineIsTakenPerQuestion) {
    makeTarget(Json::array({7}), Json::array({SimTargets::fault("getApplications", 1)}));
    feedStandardInput("yes, start anyway\nn\n");
    VkTCmdOptions options;
    testing::internal::CaptureStdout();
    EXPECT_EQ(checkRunningApplications(pool_, options, device_), 0);
    EXPECT_EQ(checkRunningApplications(pool_, options, device_), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              std::string(kListUnknown) + kAskAnyway + kAskUnload + kRefused);
}

TEST_F(ApplicationGuard, UnloadFailureStopsAtThatApplication) {
    Json fault = SimTargets::fault("unloadAppl");
    fault["match"] = 0x22;
    makeTarget(Json::array({0x11, 0x22, 0x33}), Json::array({fault}));
    EXPECT_EQ(guard("", true), -1);
    EXPECT_EQ(printed_,
              "\n\tApplication with ID: 0x11 unloaded\n\nApplication with ID 0x22 can't be "
              "unloaded!\n");
    EXPECT_EQ(applicationsLeft(), Json::array({0x22, 0x33}));
    // The restriction was given back: a second guard gets the target again.
    EXPECT_EQ(guard("", true), -1);
    EXPECT_EQ(printed_, "\n\nApplication with ID 0x22 can't be unloaded!\n");
}

struct ListUnknownCase {
    const char* name;
    bool silent;
    bool assumeYes;
    const char* answer;
    int32_t result;
    std::string printed;
};

void PrintTo(const ListUnknownCase& c, std::ostream* os) {
    *os << c.name;
}

class ApplicationGuardListUnknown : public ApplicationGuard,
                                    public testing::WithParamInterface<ListUnknownCase> {};

TEST_P(ApplicationGuardListUnknown, AsksWhetherToGoOn) {
    const ListUnknownCase& c = GetParam();
    makeTarget(Json::array({5}), Json::array({SimTargets::fault("getApplications")}));
    EXPECT_EQ(guard(c.answer, c.silent, c.assumeYes), c.result) << c.name;
    EXPECT_EQ(printed_, c.printed) << c.name;
    EXPECT_EQ(applicationsLeft(), Json::array({5}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplicationGuardListUnknown,
    testing::Values(ListUnknownCase{"silent", true, false, "", 0, kTryingAnyway},
                    ListUnknownCase{"assume yes", false, true, "n\n", 0, kTryingAnyway},
                    ListUnknownCase{"user says yes", false, false, "y\n", 0,
                                    std::string(kListUnknown) + kAskAnyway},
                    ListUnknownCase{"user says no", false, false, "n\n", -1,
                                    std::string(kListUnknown) + kAskAnyway},
                    ListUnknownCase{"end of input", false, false, "", -1,
                                    std::string(kListUnknown) + kAskAnyway}));

TEST_F(ApplicationGuard, NoRestrictionHandle) {
    makeTarget(Json::array({5}), Json::array({SimTargets::fault("createAccessRestrictionHandle")}));
    EXPECT_EQ(guard("y\n"), -1);
    EXPECT_EQ(printed_, "ERROR: Create access restriction handle failed.\n");
}

const char* const kLocked =
    "ERROR: Cannot gain access to target device. Maybe another host tool is locking the target "
    "device.\nPlease close all Velkor tools and retry the firmware update.\n";

TEST_F(ApplicationGuard, RestrictionRefused) {
    makeTarget(Json::array({5}),
               Json::array({SimTargets::fault("requestAccessRestrictionLevel", 1)}));
    EXPECT_EQ(guard("y\n"), -1);
    EXPECT_EQ(printed_, kLocked);
    // The refused handle was deleted; the next guard gets the target.
    EXPECT_EQ(guard("", true), 0);
}

TEST_F(ApplicationGuard, AnotherHolderLocksTheTarget) {
    makeTarget(Json::array({5}));
    VkTAccessRestrictionHandle other = nullptr;
    ASSERT_EQ(VkLnk_createAccessRestrictionHandle(pool_, device_, other), 0);
    ASSERT_EQ(VkLnk_requestAccessRestrictionLevel(pool_, other, 0, 0x10003), 0);
    EXPECT_EQ(guard("y\n"), -1);
    EXPECT_EQ(printed_, kLocked);
    VkLnk_deleteAccessRestrictionHandle(pool_, other);
    EXPECT_EQ(guard("y\n"), 0);
}

TEST_F(ApplicationGuard, HostModeSendsTheMessages) {
    makeTarget(Json::array({0x1A}));
    HostEventRecorder recorder;
    moduleState().outputToHost = true;
    EXPECT_EQ(guard("", true), 0);
    EXPECT_EQ(printed_, "");
    EXPECT_EQ(HostEventRecorder::messages(), "\n\tApplication with ID: 0x1a unloaded\n");
}

}  // namespace
