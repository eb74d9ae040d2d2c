#pragma once
// Short builders of inventory XML documents and firmware descriptions for the description
// tests, and a parse of a document in memory with both output streams captured.
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "description/inventory_document.h"
#include "support/captured_output.h"

namespace docs {

inline std::string repeat(const std::string& text, size_t times) {
    std::string result;
    while (times-- > 0) {
        result += text;
    }
    return result;
}

inline std::string param(const std::string& id, const std::string& type, const std::string& value,
                         const std::string& descr = "") {
    return "<PARAM ID=\"" + id + (descr.empty() ? "" : "\" Descr=\"" + descr) + "\" Type=\"" +
           type + "\"><VALUE>" + value + "</VALUE></PARAM>";
}

inline std::string item(const std::string& id, const std::string& descr,
                        const std::vector<std::string>& children = {}) {
    return "<ITEM ID=\"" + id + (descr.empty() ? "" : "\" Descr=\"" + descr) + "\">" +
           std::accumulate(children.begin(), children.end(), std::string()) + "</ITEM>";
}

// One entry of a firmware description: FIRMWARE, FPGAFIRMWARE and BOOTLOADER by their
// predefined IDs, others as numbered items named kind (only BUSFPGA is an entry); extra adds
// parameters.
inline std::string entry(const std::string& kind, int index, const std::string& location,
                         const std::string& boardType, const std::string& version, uint32_t fwType,
                         uint32_t pass, const std::string& extra = "") {
    const bool predefined = kind == "FIRMWARE" || kind == "FPGAFIRMWARE" || kind == "BOOTLOADER";
    const std::string id = predefined ? kind : kind == "BUSFPGA" ? "2000" : "3000";
    return item(
        id + "[" + std::to_string(index) + "]", predefined ? "" : kind,
        {param("LOCATION", "String", location), param("BOARD_TYPE", "String", boardType),
         param("VERSION", "Version", version), param("FIRMWARE", "UInt32", std::to_string(fwType)),
         param("SEQUENCE", "UInt32", std::to_string(pass)), extra});
}

// A whole description with INFO / VERSION (left out when version is empty); by default the
// library's own version, e.g. "1.0.0".
inline std::string description(const std::vector<std::string>& entries,
                               const std::string& version = VK_LIB_VERSION_TEXT) {
    return item("1000", "Container",
                {version.empty() ? "" : item("INFO", "", {param("VERSION", "Version", version)}),
                 std::accumulate(entries.begin(), entries.end(), std::string())});
}

// Parses document from memory under the name "doc.xml": {tree, out, err}.
inline auto parseText(const std::string& document) {
    return captureOutput(
        [&] { return parseInventoryDocument(document.data(), document.size(), "doc.xml"); });
}

}  // namespace docs
