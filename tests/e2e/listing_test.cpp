// The listing commands against both example systems, and the board filters.
#include <ostream>
#include <string>
#include <vector>

#include "e2e_fixture.h"

namespace {

struct ListingCase {
    std::string name;  // expected/<name>.stdout
    std::vector<std::string> args;
    int status;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ListingCase& c, std::ostream* os) {
    *os << c.name;
}

class ListingRun : public VkupdateE2eTest, public ::testing::WithParamInterface<ListingCase> {};

TEST_P(ListingRun, PrintsTheExpectedListing) {
    copyExampleTarget("lab-rtpc");
    copyExampleTarget("compact-rtpc");
    std::vector<std::string> args = {"--targets", "$TMP/targets"};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    expectRun(run(args), GetParam().name, GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Vkupdate, ListingRun,
    ::testing::Values(
        ListingCase{"lab_boards", {"--system", "LAB-RTPC-01", "boards"}, 0},
        ListingCase{"lab_history", {"--system", "LAB-RTPC-01", "history"}, 0},
        ListingCase{"lab_can_reboot", {"--system", "LAB-RTPC-01", "can-reboot"}, 1},
        ListingCase{"compact_boards", {"--system", "RTPC-COMPACT-07", "boards"}, 0},
        ListingCase{"compact_history", {"--system", "RTPC-COMPACT-07", "history"}, 0},
        ListingCase{"compact_can_reboot", {"--system", "RTPC-COMPACT-07", "can-reboot"}, 0},
        // Addressed by IP address instead of name: the same system.
        ListingCase{"compact_boards", {"--ip", "192.168.10.37", "boards"}, 0},
        ListingCase{"lab_boards_serials",
                    {"--system", "LAB-RTPC-01", "--serial", "70311, 52114", "boards"},
                    0},
        ListingCase{"lab_boards_slot", {"--system", "LAB-RTPC-01", "--slot", "2", "boards"}, 0},
        ListingCase{"lab_history_board_type",
                    {"--system", "LAB-RTPC-01", "--board-type", "VK2260", "history"},
                    0},
        ListingCase{"lab_boards_unknown_type",
                    {"--system", "LAB-RTPC-01", "--board-type", "VK9999", "boards"},
                    1},
        ListingCase{"lab_boards_unknown_serial",
                    {"--system", "LAB-RTPC-01", "--serial", "1234", "boards"},
                    1}),
    [](const ::testing::TestParamInfo<ListingCase>& info) {
        return info.param.name + "_" + std::to_string(info.index);
    });

}  // namespace
