#pragma once
// Shared by the matching and the update-planning tests: a module state reset for each test,
// catalogue and board builders, a host that records its events, and console capture.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "VkCInventoryManager.h"
#include "VkNInventoryIDs.h"
#include "VkTCmdOptions.h"
#include "interface/module_state.h"
#include "interface/run_records.h"
#include "inventory/board_table.h"

namespace planning_test {

// Every event the host received; the text of event 35 is copied during the call.
struct ReceivedEvent {
    ParameterSet record;
    std::string text;
};

inline std::vector<ReceivedEvent>& receivedEvents() {
    static std::vector<ReceivedEvent> events;
    return events;
}

inline uint32_t recordingHost(ParameterSet record) {
    ReceivedEvent event{record, {}};
    if (record.eventCode == 35 && record.text1 != nullptr) {
        event.text = static_cast<const VkCString*>(record.text1)->c_str();
    }
    receivedEvents().push_back(event);
    return 0;
}

// (code, value1, value2) of every event except the text messages.
struct EventData {
    uint32_t code;
    uint32_t value1;
    uint32_t value2;
    bool operator==(const EventData& o) const {
        return code == o.code && value1 == o.value1 && value2 == o.value2;
    }
};

inline std::ostream& operator<<(std::ostream& out, const EventData& e) {
    return out << "{" << e.code << "," << e.value1 << "," << e.value2 << "}";
}

inline std::vector<EventData> eventData() {
    std::vector<EventData> result;
    for (const ReceivedEvent& event : receivedEvents()) {
        if (event.record.eventCode != 35) {
            result.push_back({event.record.eventCode, event.record.value1, event.record.value2});
        }
    }
    return result;
}

inline std::vector<uint32_t> eventCodes() {
    std::vector<uint32_t> result;
    for (const ReceivedEvent& event : receivedEvents()) {
        result.push_back(event.record.eventCode);
    }
    return result;
}

// Runs body with standard output captured and returns what it wrote.
inline std::string captureStdout(const std::function<void()>& body) {
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    body();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// A catalogue entry for board type boardType with the given firmware type; everything else
// at the catalogue's defaults.
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

// Resets the module state a planning stage reads, and the host.
class PlanningTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ModuleState& state = moduleState();
        state.hostCallback = nullptr;
        state.outputToHost = false;
        state.verboseOutput = false;
        state.fileCatalogue.clear();
        state.catalogueRead = false;
        state.fileCount = 0;
        state.boardCount = 0;
        state.maxUpdatePass = 0;
        state.remoteFileHandles.clear();
        receivedEvents().clear();
        // References returned by addBoard stay valid while a test adds more boards.
        table.reserve(64);
    }
    void TearDown() override {
        moduleState().hostCallback = nullptr;
        moduleState().outputToHost = false;
        moduleState().verboseOutput = false;
        freeBoardTable(table);
        moduleState().boardCount = 0;
    }

    void recordEvents() { moduleState().hostCallback = &recordingHost; }

    // Sets the catalogue; must come before the boards, whose match arrays it sizes.
    void setCatalogue(std::vector<UpdateFileRecord> files) {
        moduleState().catalogueRead = true;
        moduleState().fileCatalogue = std::move(files);
        moduleState().fileCount = static_cast<uint32_t>(moduleState().fileCatalogue.size());
    }

    UpdateFileRecord& file(size_t k) { return moduleState().fileCatalogue.at(k); }

    // A board of the given type in slot 1 of an I/O router, serial number serial.
    BoardRecord& addBoard(const char* boardType, uint32_t serial = 100) {
        BoardRecord& board = appendBoardRecord(table, moduleState().fileCount);
        board.boardType = boardType;
        board.serialNumber = serial;
        board.address = VkNInventoryIDs::ROOT / VkNInventoryIDs::IOROUTER[serial % 7 + 1];
        moduleState().boardCount = static_cast<uint32_t>(table.size());
        return board;
    }

    // Records catalogue index k as match position matchCount of board.
    static void addMatch(BoardRecord& board, int32_t k, bool upToDate = false) {
        board.matchFiles.at(board.matchCount) = k;
        board.fileUpToDate.at(board.matchCount) = upToDate ? 1 : 0;
        ++board.matchCount;
    }

    BoardTable table;
};

}  // namespace planning_test
