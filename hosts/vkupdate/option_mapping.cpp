#include "option_mapping.h"

#include "utf8_conversion.h"

UpdateMode modeOfCommand(Command command) {
    switch (command) {
        case Command::Boards:
        case Command::CanReboot:
            return ShowBoards;
        case Command::History:
            return ShowVersionHistory;
        case Command::Plan:
            return ShowPlan;
        case Command::Reboot:
            return Reboot;
        case Command::Update:
        case Command::Catalogue:
        case Command::None:
            break;
    }
    return Update;
}

VkTCmdOptions buildOptions(const CommandLine& line, const std::string& descriptionFile) {
    VkTCmdOptions options;
    options.firmwareFolder = utf8ToWide(line.firmwareFolder);
    options.descriptionFile = utf8ToWide(descriptionFile);
    options.ipAddress = line.ipAddress.c_str();
    options.systemName = line.systemName.c_str();
    options.boardType = line.boardType.c_str();
    options.serialNumbers = line.serialNumbers.c_str();
    options.slot = line.slot;
    // Naming no part at all means every part.
    const bool anyPartNamed = line.userFirmware || line.userFpga || line.busFpga;
    options.updateFirmware = line.userFirmware || !anyPartNamed;
    options.updateFpgaFirmware = line.userFpga || !anyPartNamed;
    options.updateBusFpga = line.busFpga || !anyPartNamed;
    options.skipInstalledCheck = line.skipInstalledCheck;
    options.silent = line.silent;
    options.assumeYes = line.assumeYes;
    options.verbose = line.verbose;
    options.factoryMode = line.factory;
    options.mode = modeOfCommand(line.command);
    options.descriptionOnly = line.command == Command::Catalogue;
    options.fwMgrMode = line.eventsJson || line.command == Command::Catalogue;
    options.printVersions = line.printVersions;
    return options;
}
