#include "sim/target_model.h"

#include "VkNRtosAbstraction.h"
#include "sim/inventory_json.h"
#include "sim/sim_text.h"

namespace vksim {

namespace {

constexpr uint64_t kMaxUpdatePolls = 1000000;

bool fail(std::string& error, const std::string& origin, const std::string& place,
          const std::string& message) {
    error = origin + ": " + place + ": " + message;
    return false;
}

bool readText(const Json& doc, const char* key, const std::string& origin, std::string& out,
              std::string& error) {
    const auto value = doc.find(key);
    if (value == doc.end() || !value->is_string()) {
        return fail(error, origin, key, "expected a text (required)");
    }
    out = value->get<std::string>();
    return true;
}

bool readNumber(const Json& value, uint64_t max, uint64_t& out) {
    if (value.is_number_unsigned()) {
        out = value.get<uint64_t>();
        return out <= max;
    }
    return value.is_string() && parseUnsigned(value.get<std::string>(), max, out);
}

bool readOptionalNumber(const Json& doc, const char* key, uint64_t max, const std::string& origin,
                        uint64_t& out, std::string& error) {
    const auto value = doc.find(key);
    if (value != doc.end() && !readNumber(*value, max, out)) {
        return fail(error, origin, key,
                    "expected an unsigned number not above " + std::to_string(max));
    }
    return true;
}

bool readApplications(const Json& doc, const std::string& origin, Target& target,
                      std::string& error) {
    const auto list = doc.find("applications");
    if (list == doc.end()) {
        return true;
    }
    if (!list->is_array()) {
        return fail(error, origin, "applications", "expected an array of application identifiers");
    }
    for (size_t i = 0; i < list->size(); ++i) {
        uint64_t id = 0;
        if (!readNumber((*list)[i], 0xFFFFFFFFu, id)) {
            return fail(error, origin, "applications[" + std::to_string(i) + "]",
                        "expected an unsigned 32-bit identifier");
        }
        target.applications.push_back(static_cast<uint32_t>(id));
    }
    return true;
}

bool readAddress(const Json& doc, const std::string& origin, Target& target, std::string& error) {
    if (!readText(doc, "ipAddress", origin, target.ipText, error)) {
        return false;
    }
    VkCErrorListPool scratch;
    target.ipAddress = VkNRtosAbstraction::stringToIpV4(scratch, target.ipText.c_str());
    if (scratch.getErrorCount() != 0) {
        return fail(error, origin, "ipAddress",
                    "\"" + target.ipText + "\" is no dotted IPv4 address such as \"192.168.0.10\"");
    }
    return true;
}

// The parts of a text split at every "/"; empty parts are kept, so "a//b" shows as broken.
std::vector<std::string> splitAtSlashes(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t slash = text.find('/'); slash != std::string::npos; slash = text.find('/', start)) {
        parts.push_back(text.substr(start, slash - start));
        start = slash + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

bool readBootLoaderFile(const Json& value, std::vector<std::string>& file) {
    if (!value.is_string()) {
        return false;
    }
    file = splitAtSlashes(value.get<std::string>());
    for (const std::string& part : file) {
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
    }
    return true;
}

bool readInventoryPath(const Json& value, std::vector<VkCInventoryAddress::Element>& path) {
    if (!value.is_string()) {
        return false;
    }
    for (const std::string& text : splitAtSlashes(value.get<std::string>())) {
        VkCInventoryAddress id;
        if (!parseInventoryId(text, id)) {
            return false;
        }
        path.push_back(id.elements().front());
    }
    return true;
}

bool readBootLoader(const Json& entry, const std::string& origin, const std::string& place,
                    BootLoaderFile& bootLoader, std::string& error) {
    if (!entry.is_object()) {
        return fail(error, origin, place, "expected an object with \"file\" and \"part\"");
    }
    for (auto it = entry.begin(); it != entry.end(); ++it) {
        if (it.key() != "file" && it.key() != "part") {
            return fail(error, origin, place, "unknown member \"" + it.key() + "\"");
        }
    }
    if (!readBootLoaderFile(entry.value("file", Json()), bootLoader.file)) {
        return fail(error, origin, place + ".file",
                    "expected a file path below cfdrive such as \"boot/loader.bin\" "
                    "(relative, without \"..\")");
    }
    if (!readInventoryPath(entry.value("part", Json()), bootLoader.part)) {
        return fail(error, origin, place + ".part",
                    "expected item IDs from the top of the inventory such as "
                    "\"HCN/HARDWARE/BOOTLOADER\"");
    }
    return true;
}

bool readBootLoaders(const Json& doc, const std::string& origin, Target& target,
                     std::string& error) {
    const auto list = doc.find("bootLoaders");
    if (list == doc.end()) {
        return true;
    }
    if (!list->is_array()) {
        return fail(error, origin, "bootLoaders",
                    "expected an array of {\"file\": ..., \"part\": ...} entries");
    }
    for (size_t i = 0; i < list->size(); ++i) {
        BootLoaderFile bootLoader;
        if (!readBootLoader((*list)[i], origin, "bootLoaders[" + std::to_string(i) + "]",
                            bootLoader, error)) {
            return false;
        }
        target.bootLoaders.push_back(std::move(bootLoader));
    }
    return true;
}

}  // namespace

std::string targetFileOf(const std::string& folder) {
    return folder + "/target.json";
}
std::string cfdriveOf(const std::string& folder) {
    return folder + "/cfdrive";
}
std::string stagingOf(const std::string& folder) {
    return folder + "/staging";
}
std::string accessLockOf(const std::string& folder) {
    return folder + "/access.lock";
}
std::string inventoryLockOf(const std::string& folder) {
    return folder + "/inventory.lock";
}
std::string stateLockOf(const std::string& folder) {
    return folder + "/state.lock";
}

std::unique_ptr<VkCInventoryItem> readTargetFields(const Json& doc, const std::string& origin,
                                                   Target& target, std::string& error) {
    if (!doc.is_object()) {
        error = origin + ": expected a JSON object with systemName, ipAddress and inventory";
        return nullptr;
    }
    uint64_t polls = 3;
    uint64_t reboots = 0;
    if (!readText(doc, "systemName", origin, target.systemName, error) ||
        !readAddress(doc, origin, target, error) || !readApplications(doc, origin, target, error) ||
        !readOptionalNumber(doc, "updatePolls", kMaxUpdatePolls, origin, polls, error) ||
        !readOptionalNumber(doc, "rebootCount", UINT64_MAX, origin, reboots, error)) {
        return nullptr;
    }
    target.updatePolls = static_cast<uint32_t>(polls);
    target.rebootCount = reboots;
    const auto faults = doc.find("faults");
    if ((faults != doc.end() && !parseFaults(*faults, origin, target.faults, error)) ||
        !readBootLoaders(doc, origin, target, error)) {
        return nullptr;
    }
    const auto inventory = doc.find("inventory");
    if (inventory == doc.end()) {
        fail(error, origin, "inventory", "expected an array of items (required)");
        return nullptr;
    }
    // Building the tree checks every item and parameter.
    return buildInventoryTree(*inventory, origin, "inventory", error);
}

bool readTargetDocument(const Json& doc, const std::string& origin, Target& target,
                        std::string& error) {
    if (!readTargetFields(doc, origin, target, error)) {
        return false;
    }
    target.doc = doc;
    return true;
}

}  // namespace vksim
