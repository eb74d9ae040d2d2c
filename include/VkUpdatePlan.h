#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "VkUpdateExport.h"

// The update plan as data, for a host that hands it on (as a JSON document, say) instead of
// parsing the printed plan table. It holds only what the printed plan and the host events
// already tell: the boards of EvBoardAppended, the files of EvCatalogueEntry, the matches of
// EvMainRuleMatch and EvFileMatched, and, as a decision, the effect of the compatibility
// verdicts of EvCompatibility (VkHostEvents.h). The reason code of an "incompatible" decision
// is the value2 of the board's EvCompatibility (value1 is the board index); a host that wants
// it records those events during the run.
//
// Texts are UTF-8.

enum class PlanDecision {
    Install,           // the file is written in its update pass
    AlreadyInstalled,  // the target has it (version and checksum, or the bus-FPGA copy)
    NotSelected,       // the board filter leaves the board out, or the file's kind is off
    Incompatible,      // the compatibility check ignored the board or failed the file
    MissingFile,       // the file is not in the firmware folder
};

struct PlanMatch {
    int32_t catalogueIndex = -1;  // position of the file in the description, as in EvCatalogueEntry
    std::string fileName;         // path relative to the firmware folder
    std::string typeName;
    std::string version;
    bool hasUpdatePass = false;  // the printed plan shows a pass, not "-"
    uint32_t updatePass = 0;
    PlanDecision decision = PlanDecision::Install;
    // The version the board reports for this kind of file; empty when it reports none (bus
    // FPGA images are plain files on the CN drive and have no reported version).
    std::string installedVersion;
    // A boot loader (a boot loader entry, or a file of the boot loader firmware type): it
    // takes effect at the next start of the target, and until then the target reports the
    // version it runs.
    bool bootLoader = false;
};

struct PlanBoard {
    uint32_t boardIndex =
        0;  // position in the board table, as in EvCompatibility and EvBoardAppended
    std::string boardType;
    uint32_t serialNumber = 0;
    uint32_t slot = 0;
    std::string address;
    bool selected = false;
    std::vector<PlanMatch> matches;  // in match order, including those the check dropped
};

struct UpdatePlan {
    bool present = false;  // false until a plan run has described one
    std::vector<PlanBoard> boards;
};

// The plan of the last console ShowPlan or Update run of this process, kept right after the
// plan was printed (ShowPlan) or right before the update began (Update). Null before any such
// run, and from the start of every later run of the library until that run (if it is a
// console ShowPlan or Update run) has got that far. The record belongs to the library; it
// stays valid until the next run starts.
VK_UPDATE_API const UpdatePlan* GetLastUpdatePlan();

// "install", "already installed", "not selected", "incompatible", "missing file".
inline const char* planDecisionName(PlanDecision decision) {
    switch (decision) {
        case PlanDecision::Install:
            return "install";
        case PlanDecision::AlreadyInstalled:
            return "already installed";
        case PlanDecision::NotSelected:
            return "not selected";
        case PlanDecision::Incompatible:
            return "incompatible";
        case PlanDecision::MissingFile:
            return "missing file";
    }
    return "install";
}
