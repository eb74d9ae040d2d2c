#pragma once
#include "sim/target_model.h"

// What a start of the target takes up from what updates wrote before it.
namespace vksim {

// Changes target.doc the way the next start of the target shows: items report the parameters
// of their "nextStart" (a board starts user firmware written while it ran without), the boot
// loader images of
// "bootLoaders" that lie on the CN drive as sound images give their parts the images'
// versions, and items with "updateInfoFrom" get an UPDATE_INFO sub-item once the processing
// unit's firmware is at least that version. Missing or broken files are no error: the board
// keeps its old boot loader.
void takeUpWrittenFirmware(Target& target);

}  // namespace vksim
