#include "catalogue_table.h"

#include <gtest/gtest.h>

#include <cstring>

#include "VkCString.h"
#include "VkCVersion.h"

namespace {

CatalogueEntry entry(const char* boardType, const char* typeName, const char* version,
                     uint32_t pass, bool selected, bool missing, bool busFpga, bool bootLoader,
                     uint32_t fwType, uint32_t fwCompatibilityId, uint32_t maxPass) {
    CatalogueEntry e;
    e.boardType = boardType;
    e.typeName = typeName;
    e.version = version;
    e.updatePass = pass;
    e.isSelected = selected;
    e.isMissing = missing;
    e.isBusFpga = busFpga;
    e.isBootLoader = bootLoader;
    e.fwType = fwType;
    e.fwCompabilityId = fwCompatibilityId;
    e.maxUpdatePass = maxPass;
    return e;
}

TEST(CatalogueTable, OneRowPerEntryInColumnsAsWideAsTheirCells) {
    const std::vector<CatalogueEntry> entries = {
        entry("VKx86_32", "Firmware", "4.10.2", 1, true, false, false, false, 1, 3, 2),
        entry("VK7120", "FPGA firmware", "5.2", 2, false, true, false, false, 3, 0, 2),
        entry("VK9108", "FPGA file", "1.2", 1, true, false, true, false, 3, 0, 2),
        entry("VKx86_32", "BootLoader", "2.6", 0, true, false, false, true, 10, 0, 2),
    };
    EXPECT_EQ(formatCatalogueTable(entries),
              "Board type  Type name      Version  Pass  Selected  Missing  Bus FPGA  Boot loader"
              "  FW type  FW compatibility ID\n"
              "----------  -------------  -------  ----  --------  -------  --------  -----------"
              "  -------  -------------------\n"
              "VKx86_32    Firmware       4.10.2   1     yes       no       no        no         "
              "  1        3\n"
              "VK7120      FPGA firmware  5.2      2     no        yes      no        no         "
              "  3        0\n"
              "VK9108      FPGA file      1.2      1     yes       no       yes       no         "
              "  3        0\n"
              "VKx86_32    BootLoader     2.6      0     yes       no       no        yes        "
              "  10       0\n"
              "4 update files, highest update pass 2.\n");
}

TEST(CatalogueTable, AnEmptyCatalogueHasOnlyTheHeadings) {
    EXPECT_EQ(formatCatalogueTable({}),
              "Board type  Type name  Version  Pass  Selected  Missing  Bus FPGA  Boot loader  "
              "FW type  FW compatibility ID\n"
              "----------  ---------  -------  ----  --------  -------  --------  -----------  "
              "-------  -------------------\n"
              "0 update files, highest update pass 0.\n");
}

TEST(CatalogueCollector, KeepsCountAndEntriesAndIgnoresOtherEvents) {
    CatalogueCollector collector;
    ParameterSet count;
    std::memset(&count, 0, sizeof count);
    count.eventCode = 21;
    count.value1 = 1;
    EXPECT_EQ(collector.handle(count), 0u);

    VkCString boardType("VK7101");
    VkCString typeName("Firmware");
    VkCVersion version("5.2");
    ParameterSet file;
    std::memset(&file, 0, sizeof file);
    file.eventCode = 34;
    file.text1 = &boardType;
    file.text2 = &typeName;
    file.ref1 = &version;
    file.updatePass = 1;
    file.maxUpdatePass = 1;
    file.isSelected = 1;
    file.fwType = 1;
    EXPECT_EQ(collector.handle(file), 0u);

    ParameterSet other;
    std::memset(&other, 0, sizeof other);
    other.eventCode = 5;
    EXPECT_EQ(collector.handle(other), 0u);

    EXPECT_EQ(collector.announcedCount(), 1u);
    ASSERT_EQ(collector.entries().size(), 1u);
    EXPECT_EQ(collector.entries()[0].boardType, "VK7101");
    EXPECT_EQ(collector.entries()[0].typeName, "Firmware");
    EXPECT_EQ(collector.entries()[0].version, "5.2");
    EXPECT_TRUE(collector.entries()[0].isSelected);
    EXPECT_FALSE(collector.entries()[0].isMissing);
}

}  // namespace
