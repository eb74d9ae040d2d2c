#include "e2e_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string kTempMarker = "$TMP";

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t pos = text.find(from); pos != std::string::npos;
         pos = text.find(from, pos + to.size())) {
        text.replace(pos, from.size(), to);
    }
    return text;
}

bool regenerating() {
    const char* flag = std::getenv("VK_E2E_REGENERATE");
    return flag != nullptr && std::string(flag) == "1";
}

}  // namespace

std::string readFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFileText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

void VkupdateE2eTest::SetUp() {
    char pattern[] = "/tmp/vkupdate-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    temp_ = pattern;
    fs::create_directory(targetsFolder());
}

void VkupdateE2eTest::TearDown() {
    std::error_code ignored;
    fs::remove_all(temp_, ignored);
}

std::string VkupdateE2eTest::copyExampleTarget(const std::string& name) {
    const std::string copy = targetsFolder() + "/" + name;
    fs::copy(std::string(VK_EXAMPLE_TARGETS_DIR) + "/" + name, copy, fs::copy_options::recursive);
    return copy;
}

nlohmann::json VkupdateE2eTest::readTargetJson(const std::string& name) const {
    return nlohmann::json::parse(readFileText(targetsFolder() + "/" + name + "/target.json"));
}

void VkupdateE2eTest::writeTargetJson(const std::string& name, const nlohmann::json& doc) const {
    writeFileText(targetsFolder() + "/" + name + "/target.json", doc.dump(2) + "\n");
}

ProcessResult VkupdateE2eTest::run(const std::vector<std::string>& args,
                                   const std::map<std::string, std::string>& extraEnv) {
    std::vector<std::string> expanded;
    for (const std::string& arg : args) {
        expanded.push_back(replaceAll(arg, kTempMarker, temp_));
    }
    std::map<std::string, std::string> env = {{"VK_SIM_TARGETS", "<unset>"},
                                              {"VK_SIM_TIME_SCALE", "0"}};
    for (const auto& [name, value] : extraEnv) {
        env[name] = replaceAll(value, kTempMarker, temp_);
    }
    return runProcess(VKUPDATE_PATH, expanded, temp_, env);
}

std::string VkupdateE2eTest::normalised(const std::string& text) const {
    return replaceAll(text, temp_, kTempMarker);
}

void VkupdateE2eTest::expectFile(const std::string& actual, const std::string& fileName) {
    const std::string path = std::string(VK_E2E_EXPECTED_DIR) + "/" + fileName;
    if (regenerating()) {
        writeFileText(path, normalised(actual));
        return;
    }
    ASSERT_TRUE(fs::exists(path)) << "missing expected file " << path;
    EXPECT_EQ(normalised(actual), readFileText(path)) << "differs from " << path;
}

void VkupdateE2eTest::expectRun(const ProcessResult& result, const std::string& name, int status,
                                bool compareStderr) {
    EXPECT_EQ(result.status, status) << name << "; standard error:\n" << result.err;
    expectFile(result.out, name + ".stdout");
    if (compareStderr) {
        expectFile(result.err, name + ".stderr");
    }
}
