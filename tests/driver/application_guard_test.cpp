// The application guard of console updates against a simulated target: the exclusive access
// restriction, the question and its answers, the unloading of running applications.
#include "driver/application_guard.h"

#include <gmock/gmock.h>

#include "driver/console_input.h"
#include "update/update_fixture.h"

namespace {

using namespace update_test;

class ApplicationGuard : public RunTablesTest {
  protected:
    // Target "lab" with the given applications and faults, and a device handle on it.
    void makeTarget(const Json& applications, const Json& faults = Json::array()) {
        Json target = SimTargets::target("lab", "192.168.0.10", Json::array(), faults);
        target["applications"] = applications;
        targets.add("lab", target);
        device = targets.open("lab");
        ASSERT_NE(device, nullptr) << targets.problem();
    }
    // Runs the guard with answer on standard input; its result, the output in out.
    int32_t guard(const std::string& answer, bool silent = false, bool assumeYes = false) {
        feedStandardInput(answer);
        VkTCmdOptions options;
        options.silent = silent;
        options.assumeYes = assumeYes;
        auto run = captureOutput([&] { return checkRunningApplications(pool, options, device); });
        out = run.out;
        return run.result;
    }
    Json applicationsLeft() { return targets.read("lab")["applications"]; }

    SimTargets targets;
    VkCErrorListPool pool;
    VkTDeviceHandle device = nullptr;
    std::string out;
};

TEST_F(ApplicationGuard, AsksUnlessToldAndUnloadsOnlyAfterYes) {
    struct Case {
        Json applications;
        const char* faultCall;  // "" for none
        bool silent, assumeYes;
        const char* answer;
        int32_t result;
        const char* printed;  // a part of the output
    };
    const Json two = Json::array({0x1A, 0xBEEF});
    const char* const kUnloadedBoth =
        "\n\tApplication with ID: 0x1a unloaded\n\tApplication with ID: 0xbeef unloaded\n";
    const char* const kAskAnyway = "\nDo you want to start the update anyway (y/n)?";
    const Case cases[] = {
        {Json::array(), "", false, false, "", 0, ""},
        {two, "", true, false, "n\n", 0, kUnloadedBoth},
        {two, "", false, true, "n\n", 0, kUnloadedBoth},
        {two, "", false, false, "y\n", 0, kUnloadedBoth},
        {two, "", false, false, "Yo, go\n", 0, "unloaded"},
        {two, "", false, false, "y", 0, "unloaded"},
        {two, "", false, false, "n\n", -1, "\nERROR: Real-time application is running"},
        {two, "", false, false, "no\ny\n", -1, "(y/n)?\nERROR"},
        {two, "", false, false, "", -1, "(y/n)?\nERROR"},
        // The list cannot be read: go on only when told or answered yes.
        {two, "getApplications", true, false, "", 0, "! Trying to start update anyway...\n"},
        {two, "getApplications", false, true, "n\n", 0, "! Trying to start update anyway...\n"},
        {two, "getApplications", false, false, "y\n", 0, kAskAnyway},
        {two, "getApplications", false, false, "n\n", -1, kAskAnyway},
        {two, "createAccessRestrictionHandle", false, false, "y\n", -1,
         "ERROR: Create access restriction handle failed.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.faultCall) + " answer " + c.answer);
        makeTarget(c.applications,
                   *c.faultCall ? Json::array({SimTargets::fault(c.faultCall)}) : Json::array());
        EXPECT_EQ(guard(c.answer, c.silent, c.assumeYes), c.result);
        EXPECT_THAT(out, testing::HasSubstr(c.printed));
        EXPECT_EQ(applicationsLeft(),
                  c.result == 0 && !*c.faultCall ? Json::array() : c.applications);
    }
}

TEST_F(ApplicationGuard, ARefusedOrHeldRestrictionStopsUntilItIsFree) {
    makeTarget(Json::array({5}),
               Json::array({SimTargets::fault("requestAccessRestrictionLevel", 1)}));
    EXPECT_EQ(guard("y\n"), -1);
    EXPECT_THAT(out, testing::StartsWith("ERROR: Cannot gain access to target device."));
    EXPECT_EQ(guard("", true), 0);  // the refused handle was deleted
    makeTarget(Json::array({5}));
    VkTAccessRestrictionHandle other = nullptr;
    ASSERT_EQ(VkLnk_createAccessRestrictionHandle(pool, device, other), 0);
    ASSERT_EQ(VkLnk_requestAccessRestrictionLevel(pool, other, 0, 0x10003), 0);
    EXPECT_EQ(guard("y\n"), -1);
    EXPECT_THAT(out, testing::StartsWith("ERROR: Cannot gain access to target device."));
    VkLnk_deleteAccessRestrictionHandle(pool, other);
    EXPECT_EQ(guard("y\n"), 0);
}

}  // namespace
