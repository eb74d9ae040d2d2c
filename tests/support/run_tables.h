#pragma once
// The two tables of a run (catalogue and board table) built by hand, with the module state
// reset before and after each test. A HostRecorder member of a derived fixture registers after
// the reset, so it records the whole test.
#include <gtest/gtest.h>

#include <vector>

#include "VkCInventoryManager.h"
#include "VkNInventoryIDs.h"
#include "interface/module_state.h"
#include "interface/run_records.h"
#include "inventory/board_table.h"

// A selected catalogue entry of version 1.0 for update pass 1.
inline UpdateFileRecord makeFile(const char* boardType, uint32_t fwType,
                                 const wchar_t* fileName = L"fw.bin") {
    UpdateFileRecord file;
    file.FileName = fileName;
    file.BoardType = boardType;
    file.FwType = fwType;
    file.TypeName = VkCInventoryManager::getFirmwareTypeString(
        static_cast<VkNInventoryManager::FirmwareType>(fwType));
    file.Version = VkCVersion("1.0");
    file.IsSelected = true;
    file.UpdatePass = 1;
    return file;
}

class RunTablesTest : public ::testing::Test {
  public:
    RunTablesTest() { clear(); }
    ~RunTablesTest() override {
        clear();
        moduleState().hostCallback = nullptr;
    }
    // Also between the cases of a table (TearDown(); SetUp();).
    void SetUp() override { clear(); }
    void TearDown() override { clear(); }

    // Empties both tables and resets the module state but for the host callback.
    void clear() {
        freeBoardTable(table);
        table.reserve(64);  // references from addBoard stay valid while more boards come
        ModuleState& state = moduleState();
        state.outputToHost = state.verboseOutput = state.catalogueRead = false;
        state.fileCatalogue.clear();
        state.maxUpdatePass = 0;
        state.remoteFileHandles.clear();
    }
    // Sets the catalogue; comes before the boards, whose match arrays it sizes.
    void setCatalogue(std::vector<UpdateFileRecord> files) {
        moduleState().catalogueRead = true;
        moduleState().fileCatalogue = std::move(files);
    }
    UpdateFileRecord& file(size_t k) { return moduleState().fileCatalogue.at(k); }
    // A board at ROOT/IOROUTER[serial % 7 + 1] matching the catalogue entries given.
    BoardRecord& addBoard(const char* boardType, uint32_t serial = 100,
                          const std::vector<int32_t>& matches = {}) {
        BoardRecord& board =
            appendBoardRecord(table, static_cast<uint32_t>(moduleState().fileCatalogue.size()));
        board.boardType = boardType;
        board.serialNumber = serial;
        board.address = VkNInventoryIDs::ROOT / VkNInventoryIDs::IOROUTER[serial % 7 + 1];
        for (const int32_t k : matches) {
            addMatch(board, k);
        }
        return board;
    }
    // Records catalogue index k as the board's next match.
    static void addMatch(BoardRecord& board, int32_t k, bool upToDate = false) {
        board.matchFiles.at(board.matchCount) = k;
        board.fileUpToDate.at(board.matchCount++) = upToDate ? 1 : 0;
    }
    // The up-to-date flags of the board's matches.
    static std::vector<uint8_t> upToDate(const BoardRecord& board) {
        return {board.fileUpToDate.begin(), board.fileUpToDate.begin() + board.matchCount};
    }

    BoardTable table;
};
