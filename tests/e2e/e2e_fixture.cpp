#include "e2e_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t pos = text.find(from); pos != std::string::npos;
         pos = text.find(from, pos + to.size())) {
        text.replace(pos, from.size(), to);
    }
    return text;
}

// The entries of the small container: the ITEM's attributes, then "ID Type value" per PARAM.
const std::vector<std::vector<std::string>> kEntries = {
    {"ID=\"FIRMWARE\"", "LOCATION String vkx86_32_fw.vkim", "BOARD_TYPE String VKx86_32",
     "VERSION Version 5.2", "FIRMWARE UInt32 1", "SEQUENCE UInt32 1", "HW_TYPE UInt32 0",
     "FW_COMPATIBILITY_ID UInt32 4"},
    {"ID=\"FIRMWARE[2]\"", "LOCATION String vk7120_fw.vkim", "BOARD_TYPE String VK7120",
     "VERSION Version 5.4.1", "FIRMWARE UInt32 1", "SEQUENCE UInt32 1"},
    {"ID=\"FPGAFIRMWARE\"", "LOCATION String vk7120_fpga.vkim", "BOARD_TYPE String VK7120",
     "VERSION Version 5.3", "FIRMWARE UInt32 3", "SEQUENCE UInt32 2", "CHIP_TYPE UInt32 7"},
    {"ID=\"1100\" Descr=\"BUSFPGA\"", "LOCATION String vk9108_bus.bit", "BOARD_TYPE String VK9108",
     "VERSION Version 1.3", "FIRMWARE UInt32 3", "SEQUENCE UInt32 2",
     "TARGET_FILE_NAME String vk9108.bit"},
    {"ID=\"BOOTLOADER\"", "LOCATION String vkx86_32_boot.bin", "BOARD_TYPE String VKx86_32",
     "VERSION Version 2.7", "FIRMWARE UInt32 10", "TARGET_FILE_NAME String boot.bin"},
};

// The words of args, separated by blanks; '...' keeps blanks and empty words.
std::vector<std::string> words(const std::string& args) {
    std::vector<std::string> result;
    bool quoted = false, inWord = false;
    for (char c : args) {
        if (c == ' ' && !quoted) {
            inWord = false;
            continue;
        }
        if (!inWord) {
            result.emplace_back();
            inWord = true;
        }
        if (c == '\'') {
            quoted = !quoted;
        } else {
            result.back().push_back(c);
        }
    }
    return result;
}

}  // namespace

void E2eTest::fresh() {
    sims_.reset();  // the old folder goes first: a SimTargets sets VK_SIM_TARGETS for its life
    sims_ = std::make_unique<SimTargets>();
    for (const char* name : {"lab-rtpc", "compact-rtpc"}) {
        fs::copy(std::string(VK_EXAMPLE_TARGETS_DIR) + "/" + name, sims_->folder(name),
                 fs::copy_options::recursive);
    }
}

std::string E2eTest::targetFile(const std::string& relative) const {
    return sims_->path() + "/" + relative;
}

void E2eTest::setInTarget(const std::string& name, const std::string& pointer, const Json& value) {
    Json doc = target(name);
    doc[Json::json_pointer(pointer)] = value;
    sims_->add(name, doc);
}

void E2eTest::writeSmallContainer(const std::string& folder, const std::string& libraryVersion) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<ITEM ID=\"1000\" Descr=\"FirmwareContainer\">\n";
    std::vector<std::vector<std::string>> entries = kEntries;
    entries.insert(entries.begin(), {"ID=\"INFO\"", "VERSION Version " + libraryVersion});
    for (const std::vector<std::string>& entry : entries) {
        xml += "  <ITEM " + entry[0] + ">\n";
        for (size_t i = 1; i < entry.size(); ++i) {
            std::istringstream param(entry[i]);
            std::string id, type, value;
            param >> id >> type >> value;
            xml += "    <PARAM ID=\"" + id + "\" Type=\"" + type + "\"><VALUE>" + value +
                   "</VALUE></PARAM>\n";
        }
        xml += "  </ITEM>\n";
    }
    // A note item that is no entry.
    xml +=
        "  <ITEM ID=\"1001\" Descr=\"NOTES\">\n    <PARAM ID=\"1002\" Descr=\"Text\" "
        "Type=\"String\"><VALUE>Release 24.1</VALUE></PARAM>\n  </ITEM>\n</ITEM>\n";
    sims_->temp().write(folder + "/release.xml", xml);
    for (const char* name :
         {"vkx86_32_fw.vkim", "vk7120_fw.vkim", "vk9108_bus.bit", "vkx86_32_boot.bin"}) {
        sims_->temp().write(folder + "/" + name, std::string(128, '\x5A'));
    }
}

void E2eTest::completeFirmware() {
    fs::copy(kExampleFirmware, tmp() + "/fw", fs::copy_options::recursive);
    makeImage("fw/vk4360rt_fpga_2.4.vkim", "2.4");
}

void E2eTest::makeImage(const std::string& relative, const std::string& version) {
    const ProcessResult made = runProcess(
        VK_SIM_TOOL,
        {"image", "--version", version, "--size", "6144", "-o", tmp() + "/" + relative}, tmp());
    ASSERT_EQ(made.status, 0) << made.err;
}

ProcessResult E2eTest::run(const std::string& args, const Env& env) {
    return finishProcess(start(args, tmp(), env));
}

RunningProcess E2eTest::start(const std::string& args, const std::string& workFolder, Env env) {
    env.emplace("VK_SIM_TARGETS", "<unset>");
    env.emplace("VK_SIM_TIME_SCALE", "0");
    fs::create_directories(workFolder);
    return startProcess(VKUPDATE_PATH, words(replaceAll(args, "$TMP", tmp())), workFolder, env);
}

std::string E2eTest::normalised(const std::string& text) const {
    static const std::regex handle(R"(OK \(0x[0-9a-fA-F]+\))");
    static const std::regex progress(R"(\d{1,3}% [-\\|/] +\r)");
    const std::string kept = std::regex_replace(text, progress, "");
    return replaceAll(std::regex_replace(kept, handle, "OK (<handle>)"), tmp(), "$TMP");
}

void E2eTest::expectFile(const std::string& actual, const std::string& fileName) {
    const std::string path = std::string(VK_E2E_EXPECTED_DIR) + "/" + fileName;
    if (const char* regenerate = std::getenv("VK_E2E_REGENERATE");
        regenerate != nullptr && std::string(regenerate) == "1") {
        std::ofstream(path, std::ios::binary) << normalised(actual);
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "missing expected file " << path;
    std::ostringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(normalised(actual), expected.str()) << "differs from " << path;
}

void E2eTest::expectRun(const Golden& golden, const Env& env) {
    const ProcessResult result = run(golden.args, env);
    EXPECT_EQ(result.status, golden.status) << golden.out << "; standard error:\n" << result.err;
    expectFile(result.out, golden.out + ".stdout");
    if (!golden.err.empty()) {
        expectFile(result.err, golden.err);
    }
}

void E2eTest::expectRuns(const std::vector<Golden>& rows, const std::function<void()>& prepare,
                         const Env& env) {
    for (const Golden& row : rows) {
        SCOPED_TRACE(row.out + ": " + row.args);
        fresh();
        prepare();
        if (row.setup) {
            row.setup();
        }
        Env rowEnv = row.env;
        rowEnv.insert(env.begin(), env.end());
        expectRun(row, rowEnv);
    }
}
