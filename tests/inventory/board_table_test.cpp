#include <gtest/gtest.h>

#include "interface/run_records.h"
#include "inventory/board_table.h"

namespace {

std::vector<uint8_t> values(const MatchFlags& flags) {
    return std::vector<uint8_t>(flags.begin(), flags.end());
}

TEST(BoardTable, NewRecordHasInitialValues) {
    BoardTable table;
    BoardRecord& record = appendBoardRecord(table, 3);

    ASSERT_EQ(table.size(), 1u);
    EXPECT_NE(record.errorPool, nullptr);
    EXPECT_EQ(record.matchCount, 0u);
    EXPECT_EQ(record.matchFiles, (std::vector<int32_t>{-1, -1, -1}));
    EXPECT_EQ(values(record.fileFailed), (std::vector<uint8_t>{0, 0, 0}));
    EXPECT_EQ(values(record.fileUpToDate), (std::vector<uint8_t>{0, 0, 0}));
    EXPECT_EQ(values(record.fileUpdated), (std::vector<uint8_t>{0, 0, 0}));
    for (int slot = 1; slot <= kInstalledChecksumSlots; ++slot) {
        EXPECT_EQ(record.installedChecksum(slot), kUnknownChecksum) << "slot " << slot;
    }
    for (int slot = 1; slot <= kInstalledVersionSlots; ++slot) {
        EXPECT_EQ(record.installedVersion(slot).getAsULong64(), 0u) << "slot " << slot;
    }
    EXPECT_TRUE(record.boardType.isEmpty());
    EXPECT_TRUE(record.address.isEmpty());
    EXPECT_EQ(record.serialNumber, 0u);
    EXPECT_FALSE(record.hasActiveFirmware);
    EXPECT_EQ(record.failedPass, 0u);
}

TEST(BoardTable, EmptyCatalogueStillGivesArraysOfZeroEntries) {
    BoardTable table;
    BoardRecord& record = appendBoardRecord(table, 0);
    EXPECT_TRUE(record.matchFiles.empty());
    EXPECT_TRUE(record.fileFailed.empty());
    EXPECT_EQ(record.matchCount, 0u);
    EXPECT_NE(record.errorPool, nullptr);
}

TEST(BoardTable, RecordsKeepTheirArraysAndOwnPoolsAsTheTableGrows) {
    BoardTable table;
    const int32_t* firstArray = appendBoardRecord(table, 4).matchFiles.data();
    const RelaxedAtomic<uint8_t>* firstFlags = table[0].fileUpdated.data();
    VkCErrorListPool* firstPool = table[0].errorPool;
    table[0].serialNumber = 101;
    appendBoardRecord(table, 4);
    appendBoardRecord(table, 4);

    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0].matchFiles.data(), firstArray);
    EXPECT_EQ(table[0].fileUpdated.data(), firstFlags);
    EXPECT_EQ(table[0].serialNumber, 101u);
    EXPECT_EQ(table[0].errorPool, firstPool);
    EXPECT_NE(table[1].errorPool, firstPool);
    EXPECT_NE(table[2].errorPool, table[1].errorPool);
}

TEST(BoardTable, FreeEmptiesTheTable) {
    BoardTable table;
    appendBoardRecord(table, 2);
    appendBoardRecord(table, 2);
    freeBoardTable(table);
    EXPECT_TRUE(table.empty());
    freeBoardTable(table);  // an empty table is left as it is
    EXPECT_TRUE(table.empty());
}

}  // namespace
