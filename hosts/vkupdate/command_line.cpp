#include "command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct CommandName {
    const char* word;
    Command command;
};

const CommandName kCommands[] = {
    {"boards", Command::Boards},       {"history", Command::History},
    {"plan", Command::Plan},           {"update", Command::Update},
    {"reboot", Command::Reboot},       {"can-reboot", Command::CanReboot},
    {"catalogue", Command::Catalogue},
};

Command commandFromWord(const std::string& word) {
    for (const CommandName& entry : kCommands) {
        if (word == entry.word) {
            return entry.command;
        }
    }
    return Command::None;
}

// A decimal number from 0 to 4294967295, digits only.
bool parseUnsigned32(const std::string& text, uint32_t& slot) {
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
    if (value > 0xFFFFFFFFull) {
        return false;
    }
    slot = static_cast<uint32_t>(value);
    return true;
}

// Texts of the options whose values need a check of their own after CLI11 is done.
struct RawValues {
    std::string command;
    std::string slot;
    std::string stallSeconds;
    std::string events;
    bool help = false;
    bool version = false;
};

void defineOptions(CLI::App& app, CommandLine& line, RawValues& raw) {
    app.set_help_flag();  // the help text is our own
    app.allow_extras();   // unknown arguments get a message of our own
    app.add_flag("-h,--help", raw.help);
    app.add_flag("--version", raw.version);
    app.add_option("COMMAND", raw.command);
    app.add_option("--ip", line.ipAddress);
    app.add_option("--system", line.systemName);
    app.add_option("--firmware", line.firmwareFolder);
    app.add_option("--description", line.descriptionFile);
    app.add_option("--board-type", line.boardType);
    app.add_option("--serial", line.serialNumbers);
    app.add_option("--slot", raw.slot);
    app.add_flag("--user-firmware", line.userFirmware);
    app.add_flag("--user-fpga", line.userFpga);
    app.add_flag("--bus-fpga", line.busFpga);
    app.add_flag("--skip-installed-check", line.skipInstalledCheck);
    app.add_flag("--factory", line.factory);
    app.add_flag("-y,--yes", line.assumeYes);
    app.add_flag("-s,--silent", line.silent);
    app.add_flag("-v,--verbose", line.verbose);
    app.add_option("--events", raw.events);
    app.add_flag("--print-versions", line.printVersions);
    app.add_flag("--json", line.planJson);
    app.add_flag("--verify", line.verify);
    app.add_option("--stall-timeout", raw.stallSeconds);
    app.add_option("--targets", line.targetsFolder);
}

bool given(const CLI::App& app, const char* name) {
    return app.count(name) > 0;
}

// The checks CLI11 cannot express; the first failing one gives the error text.
// Arguments CLI11 could not place: an unknown option, or a second command word.
// A "--" that ends the options is no argument of its own.
std::string checkExtras(const std::vector<std::string>& extras) {
    for (const std::string& extra : extras) {
        if (extra == "--") {
            continue;
        }
        if (extra.size() > 1 && extra[0] == '-') {
            return "unknown option '" + extra + "'";
        }
        return "unexpected argument '" + extra + "'; give one command";
    }
    return "";
}

// Checks a --serial list (decimal serial numbers separated by commas, blanks or tabs) and
// gives it the form the library takes: tabs become blanks. The error names the bad item.
std::string checkSerialNumbers(std::string& list) {
    const std::string separators = ", \t";
    bool anyNumber = false;
    size_t start = list.find_first_not_of(separators);
    while (start != std::string::npos) {
        const size_t end = std::min(list.find_first_of(separators, start), list.size());
        const std::string item = list.substr(start, end - start);
        uint32_t serial = 0;
        if (!parseUnsigned32(item, serial)) {
            return "--serial needs decimal serial numbers separated by commas or blanks, not '" +
                   item + "'";
        }
        anyNumber = true;
        start = list.find_first_not_of(separators, end);
    }
    if (!anyNumber) {
        return "--serial needs at least one serial number";
    }
    std::replace(list.begin(), list.end(), '\t', ' ');
    return "";
}

// The options of the update command alone.
std::string checkUpdateOptions(const CLI::App& app, const RawValues& raw, CommandLine& line) {
    const bool update = line.command == Command::Update;
    if (given(app, "--stall-timeout")) {
        uint32_t seconds = 0;
        if (!update) {
            return "--stall-timeout is an option of the update command only";
        }
        if (!parseUnsigned32(raw.stallSeconds, seconds)) {
            return "--stall-timeout needs a number of seconds from 0 to 4294967295, not '" +
                   raw.stallSeconds + "'";
        }
        line.stallSeconds = raw.stallSeconds;
    }
    if (line.verify && !update) {
        return "--verify is an option of the update command only";
    }
    if (line.verify && line.eventsJson) {
        return "--verify and --events json exclude each other; give one of them";
    }
    return "";
}

std::string checkCommandLine(const CLI::App& app, const RawValues& raw, CommandLine& line) {
    const std::string extrasError = checkExtras(app.remaining());
    if (!extrasError.empty()) {
        return extrasError;
    }
    if (raw.command.empty()) {
        return "no command given";
    }
    line.command = commandFromWord(raw.command);
    if (line.command == Command::None) {
        return "unknown command '" + raw.command + "'";
    }
    const std::string word = commandWord(line.command);
    if (given(app, "--ip") && given(app, "--system")) {
        return "--ip and --system exclude each other; give one of them";
    }
    if (given(app, "--ip") && line.ipAddress.empty()) {
        return "--ip needs an address or host name, not an empty text";
    }
    if (given(app, "--system") && line.systemName.empty()) {
        return "--system needs a system name, not an empty text";
    }
    if (line.command != Command::Catalogue && line.ipAddress.empty() && line.systemName.empty()) {
        return "the " + word + " command needs a target: give --ip ADDRESS-OR-HOSTNAME or " +
               "--system NAME";
    }
    if (given(app, "--serial")) {
        const std::string serialError = checkSerialNumbers(line.serialNumbers);
        if (!serialError.empty()) {
            return serialError;
        }
    }
    if (given(app, "--slot") && !parseUnsigned32(raw.slot, line.slot)) {
        return "--slot needs a slot number from 0 to 4294967295, not '" + raw.slot + "'";
    }
    if (given(app, "--events")) {
        if (raw.events != "json") {
            return "--events takes only the value json, not '" + raw.events + "'";
        }
        line.eventsJson = true;
    }
    const std::string updateError = checkUpdateOptions(app, raw, line);
    if (!updateError.empty()) {
        return updateError;
    }
    if (line.printVersions && !line.eventsJson) {
        return "--print-versions works only together with --events json";
    }
    if (line.planJson && line.command != Command::Plan) {
        return "--json is an option of the plan command only";
    }
    if (line.planJson && line.eventsJson) {
        return "--json and --events json exclude each other; give one of them";
    }
    // In firmware-manager mode the library lists nothing and prints no plan: after the scan it
    // takes its update path. Refuse what would surprise a user into an update.
    if (line.eventsJson && (line.command == Command::Boards || line.command == Command::History)) {
        return "--events json cannot be used with " + word +
               ": in firmware-manager mode the library lists no boards";
    }
    if (line.eventsJson && line.command == Command::Plan && !line.printVersions) {
        return "plan with --events json needs --print-versions (the version report); "
               "without it the firmware-manager run would update the target";
    }
    if (commandNeedsFirmware(line.command) && line.firmwareFolder.empty()) {
        return "the " + word + " command needs --firmware DIR";
    }
    return "";
}

}  // namespace

const char* commandWord(Command command) {
    for (const CommandName& entry : kCommands) {
        if (entry.command == command) {
            return entry.word;
        }
    }
    return "";
}

bool commandNeedsFirmware(Command command) {
    return command == Command::Plan || command == Command::Update || command == Command::Catalogue;
}

ParseResult parseCommandLine(int argc, const char* const* argv) {
    ParseResult result;
    RawValues raw;
    CLI::App app{"vkupdate", "vkupdate"};
    defineOptions(app, result.commandLine, raw);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        result.error = error.what();
        return result;
    }
    if (raw.help) {
        result.status = ParseStatus::Help;
        return result;
    }
    if (raw.version) {
        result.status = ParseStatus::Version;
        return result;
    }
    result.error = checkCommandLine(app, raw, result.commandLine);
    result.status = result.error.empty() ? ParseStatus::Run : ParseStatus::UsageError;
    return result;
}
