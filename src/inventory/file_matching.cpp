#include "inventory/file_matching.h"

#include <algorithm>
#include <iterator>

#include "VkCInventoryManager.h"
#include "interface/run_tables.h"
#include "reporting/console.h"
#include "reporting/host_events.h"

namespace {

using namespace VkNInventoryManager;

constexpr uint32_t kNoLimit = 0xFFFFFFFF;
// System classes whose boards keep their user firmware in factory mode.
constexpr uint32_t kClassKeepsUserFpga = 0x20014;
constexpr uint32_t kClassKeepsUserFirmware = 0x2000F;
// Boot-loader files carry type 10 for BOOTLOADER and 11 for BOOTLOADER[3].
constexpr uint32_t kBootLoader3Type = 11;

const VkCVersion& firstFactoryFirmware2Version() {
    static const VkCVersion version("3.1");
    return version;
}

bool outsideRange(uint32_t minimum, uint32_t maximum, uint32_t value) {
    return (minimum != kNoLimit && minimum > value) || (maximum != kNoLimit && maximum < value);
}

bool isFpgaPart(uint32_t fwType) {
    return fwType == FwFpgaFirmware || fwType == FwFactoryFpgaFirmware ||
           fwType == FwIoFpgaFirmware || fwType == FwIoFpgaFirmware2 || fwType == FwIoFpgaFirmware3;
}

// The match arrays are sized for every catalogue entry at the scan; a catalogue that grew
// since then must not make a match write past their end.
void makeRoomForMatch(BoardRecord& board) {
    const size_t needed = size_t(board.matchCount) + 1;
    if (board.matchFiles.size() < needed) {
        board.matchFiles.resize(needed, -1);
        board.fileFailed.resize(needed, 0);
        board.fileUpToDate.resize(needed, 0);
        board.fileUpdated.resize(needed, 0);
    }
}

void recordMatch(BoardRecord& board, int32_t k, UpdateFileRecord& file) {
    makeRoomForMatch(board);
    board.matchFiles[board.matchCount] = k;
    file.IsNeeded = true;
    sendEvent(EvFileMatched, static_cast<uint32_t>(k));
    ++board.matchCount;
}

void recordMainRuleMatch(BoardRecord& board, int32_t k, UpdateFileRecord& file) {
    sendEvent(EvMainRuleMatch, static_cast<uint32_t>(k));
    trace(L"    Matching file found: %s  FwType: %d\n", file.FileName.c_str(), file.FwType);
    recordMatch(board, k, file);
}

// FIRMWARE[2] files for the processing unit exist from version 3.1 on and replace an older
// FIRMWARE[2] only on a PC platform that can run them.
bool factoryFirmware2Fits(const BoardRecord& board, const UpdateFileRecord& file,
                          bool factoryMode) {
    return file.Version >= firstFactoryFirmware2Version() && board.platformType == "VKPC" &&
           board.fwType >= 7 && board.installedVersion(2) < firstFactoryFirmware2Version() &&
           !factoryMode;
}

// A boot-loader file that is no boot-loader entry replaces only an older BOOTLOADER[2].
bool bootLoader2Fits(const BoardRecord& board, const UpdateFileRecord& file, bool factoryMode) {
    return board.hasBootloader2 && file.Version > board.installedVersion(14) && !factoryMode;
}

// Tests 1 to 8 of the main rule; traces the rejections that have a trace.
bool passesMainRuleTests(const BoardRecord& board, const UpdateFileRecord& file, bool factoryMode) {
    const wchar_t* name = file.FileName.c_str();
    if (outsideRange(file.MinHwCompatibilityId, file.MaxHwCompatibilityId,
                     board.hwCompatibilityId)) {
        trace(
            L"    %s rejected due to mismatching HW compatibility ID (file: %u...%u, device: "
            L"%u)\n",
            name, file.MinHwCompatibilityId, file.MaxHwCompatibilityId, board.hwCompatibilityId);
        return false;
    }
    if (outsideRange(file.MinSwCompatibilityId, file.MaxSwCompatibilityId,
                     board.swCompatibilityId)) {
        trace(
            L"    %s rejected due to mismatching SW compatibility ID (file: %u...%u, device: "
            L"%u)\n",
            name, file.MinSwCompatibilityId, file.MaxSwCompatibilityId, board.swCompatibilityId);
        return false;
    }
    if (file.HwType != board.hwType) {
        trace(L"    %s rejected due to mismatching HW type (has %u, required is %u)\n", name,
              file.HwType, board.hwType);
        return false;
    }
    if (isFpgaPart(file.FwType) && file.FpgaType != board.fpgaChipType) {
        trace(L"    %s rejected due to mismatching FPGA type (has %u, required is %u)\n", name,
              file.FpgaType, board.fpgaChipType);
        return false;
    }
    const uint32_t type = file.FwType;
    if ((type == FwFirmware || type == FwFactoryFirmware) && board.isNetworkComponent) {
        return false;
    }
    if (type == FwHypervisorFirmware && !board.hasUpdateInfoEntry) {
        return false;
    }
    if (type == FwFactoryFirmware && file.BoardType == "VKx86_32" &&
        !factoryFirmware2Fits(board, file, factoryMode)) {
        return false;
    }
    if (type == FwBootLoader && !bootLoader2Fits(board, file, factoryMode)) {
        return false;
    }
    return true;
}

// Factory mode turns user firmware into factory firmware. Returns whether the file is then
// recorded; the catalogue entry keeps its new type for the rest of the run.
bool convertForFactoryMode(BoardRecord& board, UpdateFileRecord& file) {
    const uint32_t type = file.FwType;
    if (type == FwIpl && board.boardType == "VK7201") {
        reportMessage(
            L"WARNING: VK7201 FactoryIpl cannot be updated with the UserIpl update file.\n");
        return false;
    }
    if (type == FwFpgaFirmware && board.systemClass == kClassKeepsUserFpga) {
        board.hasActiveFpga = false;
        return false;
    }
    if (type == FwFirmware) {
        if (board.systemClass == kClassKeepsUserFirmware) {
            board.hasActiveFirmware = false;
            return false;
        }
        file.FwType = FwFactoryFirmware;
    } else if (type == FwFpgaFirmware) {
        file.FwType = FwFactoryFpgaFirmware;
    } else if (type == FwIpl) {
        file.FwType = FwFactoryIpl;
    } else if (type != FwFactoryFirmware && type != FwFactoryFpgaFirmware && type != FwFactoryIpl) {
        trace(L"    %s rejected due to unsupported FW type in factory mode (%u)\n",
              file.FileName.c_str(), type);
        return false;
    }
    file.TypeName =
        VkCInventoryManager::getFirmwareTypeString(static_cast<FirmwareType>(file.FwType));
    return true;
}

// The main rule for a file of the board's type that is neither bus-FPGA nor boot-loader file.
void applyMainRule(BoardRecord& board, int32_t k, UpdateFileRecord& file, bool factoryMode) {
    if (!passesMainRuleTests(board, file, factoryMode)) {
        return;
    }
    if (factoryMode && !convertForFactoryMode(board, file)) {
        return;
    }
    recordMainRuleMatch(board, k, file);
}

void applyBusFpgaAndBootLoaderRules(BoardRecord& board, int32_t k, UpdateFileRecord& file,
                                    bool factoryMode) {
    if (board.isPcPlatform && file.IsBusFpga && !factoryMode) {
        trace(L"    Matching file found: %s\n", file.FileName.c_str());
        recordMatch(board, k, file);
    }
    const bool bootLoaderFits = (board.hasBootloader && file.FwType == FwBootLoader) ||
                                (board.hasBootloader3 && file.FwType == kBootLoader3Type);
    if (file.BoardType == board.boardType && file.IsBootLoader && !factoryMode && bootLoaderFits) {
        trace(L"    Matching file found: %s\n", file.FileName.c_str());
        recordMatch(board, k, file);
    }
}

}  // namespace

CatalogueIndex::CatalogueIndex() {
    const size_t count = filesInCatalogue();
    for (size_t index = 0; index < count; ++index) {
        const UpdateFileRecord& file = moduleState().fileCatalogue[index];
        byBoardType_[file.BoardType.str()].push_back(static_cast<int32_t>(index));
        if (file.IsBusFpga) {
            busFpgaFiles_.push_back(static_cast<int32_t>(index));
        }
    }
}

void CatalogueIndex::candidatesFor(const BoardRecord& board,
                                   std::vector<int32_t>& candidates) const {
    candidates.clear();
    const auto ofType = byBoardType_.find(board.boardType.str());
    const std::vector<int32_t> none;
    const std::vector<int32_t>& sameType = ofType == byBoardType_.end() ? none : ofType->second;
    const std::vector<int32_t>& busFpga = board.isPcPlatform ? busFpgaFiles_ : none;
    std::set_union(sameType.begin(), sameType.end(), busFpga.begin(), busFpga.end(),
                   std::back_inserter(candidates));
}

void findUpdateFiles(BoardRecord& board, const VkTCmdOptions& options) {
    findUpdateFiles(board, options, CatalogueIndex());
}

void findUpdateFiles(BoardRecord& board, const VkTCmdOptions& options,
                     const CatalogueIndex& index) {
    trace(L"Searching update files for %hs (%hs) ...\n", board.address.toString().c_str(),
          board.boardType.c_str());
    std::vector<int32_t> candidates;
    index.candidatesFor(board, candidates);
    for (const int32_t k : candidates) {
        UpdateFileRecord& file = moduleState().fileCatalogue[size_t(k)];
        const bool mainRule =
            file.BoardType == board.boardType && !file.IsBusFpga && !file.IsBootLoader;
        if (mainRule) {
            // A file of the main rule can never pass the bus-FPGA and boot-loader rules.
            applyMainRule(board, k, file, options.factoryMode);
            continue;
        }
        applyBusFpgaAndBootLoaderRules(board, k, file, options.factoryMode);
    }
}
