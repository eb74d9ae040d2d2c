#pragma once
#include <cstdint>

// The event codes of the host callback (ParameterSet::eventCode), with the data each event
// carries in value1 .. value4. Events not named here are not sent.
enum HostEvent : uint32_t {
    EvStageOpen = 0,             // a stage opens: the answer is its stage context
    EvSequenceOpen = 1,          // the update sequence opens: the answer is its stage context
    EvVersionReportEnd = 2,      // the version report of a firmware manager is complete
    EvVersionReportChecked = 3,  // ... and its compatibility check done
    EvScanLevel = 4,             // value1: the scan's nesting level
    EvDescriptionOnlyDone = 5,   // a run that only reads the description has ended
    EvBusFpgaException = 8,      // value1: stage context
    EvCompatibility = 9,         // value1: board index, value2: the verdict's reason code
    EvStageClose = 10,           // value1: stage context
    EvRunFinished = 11,          // value1: the run's result
    EvBoardSkipped = 12,         // value1: board index
    EvUpdateErrorsDone = 13,     // value1: stage context
    EvBootLoaderFailed = 14,     // value1: stage context
    EvUnlocked1 = 15,            // value1: stage context
    EvUnlocked2 = 16,            // value1: stage context
    EvMainRuleMatch = 18,        // value1: catalogue index of a file the main rule matched
    EvBoardMatching = 19,        // value1: board index whose files are matched next
    EvFileMatched = 20,          // value1: catalogue index of a matched file
    EvCatalogueCount = 21,       // value1: the number of catalogue entries
    EvBusFpgaWritten = 22,       // value1: stage context, value2: whether it was written
    EvProgress = 24,             // value1: stage context, value2: percent
    EvUpdateEnded = 25,          // value1: board index, value2: match index
    EvFilePermission = 26,       // value1 .. value4: stage context, stage kind, board, match;
                                 // answer 1 to let the stage handle the file
    EvUpdateStartFailed = 28,    // value1 .. value4: stage context, pass, board, match
    EvItemScanned = 29,          // value1: whether the item is a board; ref2: the item
    EvFileProgress = 30,         // value1 .. value4: stage context, board, match, error count
    EvBoardAppended = 33,        // value1: board index; ref1: its match array, ref2: the item
    EvCatalogueEntry = 34,       // one catalogue entry (see ParameterSet)
    EvMessage = 35,              // text1: a message the library would print
};
