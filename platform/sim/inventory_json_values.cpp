#include "sim/inventory_json_values.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "VkNInventoryIDs.h"
#include "sim/sim_text.h"

namespace vksim {

namespace {

using Param = VkCInventoryParameter;
namespace Ids = VkNInventoryIDs;

struct TypeName {
    uint16_t code;
    const char* name;
};

const TypeName kTypeNames[] = {
    {Param::TypeUInt8, "UInt8"},     {Param::TypeUInt16, "UInt16"}, {Param::TypeUInt32, "UInt32"},
    {Param::TypeULong64, "ULong64"}, {Param::TypeInt8, "Int8"},     {Param::TypeInt16, "Int16"},
    {Param::TypeInt32, "Int32"},     {Param::TypeLong64, "Long64"}, {Param::TypeFloat32, "Float32"},
    {Param::TypeFloat64, "Float64"}, {Param::TypeString, "String"}, {Param::TypeVersion, "Version"},
};

struct NaturalType {
    uint32_t category;
    uint16_t code;
};

const NaturalType kNaturalTypes[] = {
    {Ids::Category_VERSION, Param::TypeVersion},
    {Ids::Category_PRODUCT_VERSION, Param::TypeVersion},
    {Ids::Category_SERIAL_NUMBER, Param::TypeUInt32},
    {Ids::Category_SYSTEM_CLASS, Param::TypeUInt32},
    {Ids::Category_HW_TYPE, Param::TypeUInt32},
    {Ids::Category_FW_TYPE, Param::TypeUInt32},
    {Ids::Category_CHIP_TYPE, Param::TypeUInt32},
    {Ids::Category_SLOT, Param::TypeUInt32},
    {Ids::Category_HW_COMPATIBILITY_ID, Param::TypeUInt32},
    {Ids::Category_SW_COMPATIBILITY_ID, Param::TypeUInt32},
    {Ids::Category_MIN_HW_COMPATIBILITY_ID, Param::TypeUInt32},
    {Ids::Category_MAX_HW_COMPATIBILITY_ID, Param::TypeUInt32},
    {Ids::Category_MIN_SW_COMPATIBILITY_ID, Param::TypeUInt32},
    {Ids::Category_MAX_SW_COMPATIBILITY_ID, Param::TypeUInt32},
    {Ids::Category_FW_COMPATIBILITY_ID, Param::TypeUInt32},
    {Ids::Category_CHECKSUM_CRC32, Param::TypeUInt32},
    {Ids::Category_ID, Param::TypeUInt32},
    {Ids::Category_SEQUENCE, Param::TypeUInt32},
    {Ids::Category_FIRMWARE, Param::TypeUInt32},
    {Ids::Category_ACTIVE_FIRMWARE, Param::TypeUInt8},
    {Ids::Category_ACTIVE_FPGA, Param::TypeUInt8},
    {Ids::Category_BOARD_TYPE, Param::TypeString},
    {Ids::Category_NAME, Param::TypeString},
    {Ids::Category_PLATFORM_TYPE, Param::TypeString},
    {Ids::Category_OS_TYPE, Param::TypeString},
    {Ids::Category_MODEL, Param::TypeString},
    {Ids::Category_VERSION_HISTORY, Param::TypeString},
    {Ids::Category_TIMESTAMP, Param::TypeString},
    {Ids::Category_IPADDRESS, Param::TypeString},
    {Ids::Category_LOCATION, Param::TypeString},
    {Ids::Category_TARGET_FILE_NAME, Param::TypeString},
};

bool unsignedFromJson(const Json& value, uint64_t max, uint64_t& out) {
    if (value.is_number_unsigned()) {
        out = value.get<uint64_t>();
        return out <= max;
    }
    if (value.is_number_integer()) {
        return false;  // negative
    }
    return value.is_string() && parseUnsigned(value.get<std::string>(), max, out);
}

bool signedFromJson(const Json& value, int64_t min, int64_t max, int64_t& out) {
    if (value.is_number_unsigned()) {
        const uint64_t number = value.get<uint64_t>();
        if (number > static_cast<uint64_t>(max)) {
            return false;
        }
        out = static_cast<int64_t>(number);
        return true;
    }
    if (value.is_number_integer()) {
        out = value.get<int64_t>();
        return out >= min && out <= max;
    }
    return value.is_string() && parseSigned(value.get<std::string>(), min, max, out);
}

// The special texts of the inventory format, then strtod over the whole text.
bool floatFromText(const std::string& text, double& out) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (text.find("-inf") != std::string::npos || text.find("-1.#INF") != std::string::npos) {
        out = -inf;
    } else if (text.find("inf") != std::string::npos || text.find("1.#INF") != std::string::npos) {
        out = inf;
    } else if (text.find("-nan") != std::string::npos ||
               text.find("-1.#IND") != std::string::npos) {
        out = -nan;
    } else if (text.find("nan") != std::string::npos || text.find("1.#QNAN") != std::string::npos) {
        out = nan;
    } else {
        errno = 0;
        char* end = nullptr;
        out = std::strtod(text.c_str(), &end);
        return !text.empty() && errno != ERANGE && end == text.c_str() + text.size();
    }
    return true;
}

bool floatFromJson(const Json& value, bool single, double& out) {
    if (value.is_number()) {
        out = value.get<double>();
    } else if (!value.is_string() || !floatFromText(value.get<std::string>(), out)) {
        return false;
    }
    const double singleMax = 3.4028234663852886e38;
    return !single || !std::isfinite(out) || std::fabs(out) <= singleMax;
}

template <typename T>
bool convertUnsigned(const Json& value, Param::Value& out) {
    uint64_t number = 0;
    if (!unsignedFromJson(value, std::numeric_limits<T>::max(), number)) {
        return false;
    }
    out.emplace<T>(static_cast<T>(number));
    return true;
}

template <typename T>
bool convertSigned(const Json& value, Param::Value& out) {
    int64_t number = 0;
    if (!signedFromJson(value, std::numeric_limits<T>::min(), std::numeric_limits<T>::max(),
                        number)) {
        return false;
    }
    out.emplace<T>(static_cast<T>(number));
    return true;
}

bool convertValue(const Json& value, uint16_t typeCode, Param::Value& out) {
    double real = 0;
    VkCVersion version;
    switch (typeCode) {
        case Param::TypeUInt8:
            return convertUnsigned<uint8_t>(value, out);
        case Param::TypeUInt16:
            return convertUnsigned<uint16_t>(value, out);
        case Param::TypeUInt32:
            return convertUnsigned<uint32_t>(value, out);
        case Param::TypeULong64:
            return convertUnsigned<uint64_t>(value, out);
        case Param::TypeInt8:
            return convertSigned<int8_t>(value, out);
        case Param::TypeInt16:
            return convertSigned<int16_t>(value, out);
        case Param::TypeInt32:
            return convertSigned<int32_t>(value, out);
        case Param::TypeLong64:
            return convertSigned<int64_t>(value, out);
        case Param::TypeFloat32:
            if (!floatFromJson(value, true, real)) {
                return false;
            }
            out.emplace<float>(static_cast<float>(real));
            return true;
        case Param::TypeFloat64:
            if (!floatFromJson(value, false, real)) {
                return false;
            }
            out.emplace<double>(real);
            return true;
        case Param::TypeString:
            if (!value.is_string()) {
                return false;
            }
            out.emplace<VkCString>(value.get<std::string>());
            return true;
        case Param::TypeVersion:
            if (!value.is_string() || !version.setByString(value.get<std::string>().c_str())) {
                return false;
            }
            out.emplace<VkCVersion>(version);
            return true;
        default:
            return false;
    }
}

std::string expectation(uint16_t typeCode) {
    switch (typeCode) {
        case Param::TypeString:
            return "a text";
        case Param::TypeVersion:
            return "a version text such as \"3.2.1\"";
        case Param::TypeFloat32:
        case Param::TypeFloat64:
            return std::string("a ") + typeNameOf(typeCode) + " number";
        default:
            return std::string("a ") + typeNameOf(typeCode) +
                   " number (a JSON number or a text such as \"0x1F\")";
    }
}

}  // namespace

bool naturalTypeOf(uint32_t category, uint16_t& typeCode) {
    for (const NaturalType& entry : kNaturalTypes) {
        if (entry.category == category) {
            typeCode = entry.code;
            return true;
        }
    }
    return false;
}

bool typeCodeFromName(const std::string& name, uint16_t& typeCode) {
    for (const TypeName& entry : kTypeNames) {
        if (name == entry.name) {
            typeCode = entry.code;
            return true;
        }
    }
    return false;
}

const char* typeNameOf(uint16_t typeCode) {
    for (const TypeName& entry : kTypeNames) {
        if (entry.code == typeCode) {
            return entry.name;
        }
    }
    return "unknown";
}

bool convertJsonValue(const Json& value, uint16_t typeCode, Param::Value& out,
                      std::string& problem) {
    if (convertValue(value, typeCode, out)) {
        return true;
    }
    problem = "expected " + expectation(typeCode) + ", found " + value.dump();
    return false;
}

Json jsonFromValue(const Param::Value& value) {
    return std::visit(
        [](const auto& v) -> Json {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, VkCString>) {
                return Json(v.str());
            } else if constexpr (std::is_same_v<T, VkCVersion>) {
                return Json(v.getAsString().str());
            } else if constexpr (std::is_same_v<T, int8_t> || std::is_same_v<T, uint8_t>) {
                return Json(static_cast<int>(v));
            } else {
                return Json(v);
            }
        },
        value);
}

}  // namespace vksim
