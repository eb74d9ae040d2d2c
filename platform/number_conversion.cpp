#include "number_conversion.h"

#include <locale.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr uint64_t kUnsignedMax = std::numeric_limits<uint64_t>::max();
constexpr uint64_t kSignedMagnitudeLimit = uint64_t(1) << 63;  // |INT64_MIN|
constexpr double kFloat32Limit = 3.4028234663852886e38;
constexpr uint64_t kNegativeQuietNan = 0xFFF8000000000000ull;
constexpr uint64_t kQuietNan = 0x7FF8000000000000ull;

// What strtoull/strtoll with base 0 see in a text.
struct IntegerScan {
    uint64_t magnitude = 0;
    bool negative = false;
    bool overflow = false;  // the digits do not fit in 64 bits
    size_t end = 0;         // first character not converted; 0 when none
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

unsigned digitValue(std::string_view text, size_t i) {
    if (i >= text.size()) {
        return 99;
    }
    const char c = text[i];
    if (c >= '0' && c <= '9') {
        return unsigned(c - '0');
    }
    if (c >= 'a' && c <= 'z') {
        return unsigned(c - 'a') + 10;
    }
    if (c >= 'A' && c <= 'Z') {
        return unsigned(c - 'A') + 10;
    }
    return 99;
}

IntegerScan scanInteger(std::string_view text) {
    IntegerScan scan;
    size_t p = 0;
    while (p < text.size() && isBlank(text[p])) {
        ++p;
    }
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) {
        scan.negative = text[p] == '-';
        ++p;
    }
    unsigned base = 10;
    if (p < text.size() && text[p] == '0') {
        const bool hexPrefix = p + 1 < text.size() && (text[p + 1] == 'x' || text[p + 1] == 'X');
        if (hexPrefix && digitValue(text, p + 2) < 16) {
            base = 16;
            p += 2;
        } else {
            base = 8;
        }
    }
    const size_t digits = p;
    for (unsigned digit = digitValue(text, p); digit < base; digit = digitValue(text, ++p)) {
        if (scan.magnitude > (kUnsignedMax - digit) / base) {
            scan.overflow = true;  // strtoull goes on consuming the digits
        } else {
            scan.magnitude = scan.magnitude * base + digit;
        }
    }
    if (p != digits) {
        scan.end = p;
    }
    return scan;
}

double negativeQuietNan() {
    double value;
    std::memcpy(&value, &kNegativeQuietNan, sizeof value);
    return value;
}

double quietNan() {
    double value;
    std::memcpy(&value, &kQuietNan, sizeof value);
    return value;
}

bool contains(const char* text, const char* part) {
    return std::strstr(text, part) != nullptr;
}

// The texts that stand for infinities and NaNs, tested in this order.
bool specialFloatingValue(const char* text, double& value) {
    if (contains(text, "-inf") || contains(text, "-1.#INF")) {
        value = -std::numeric_limits<double>::infinity();
    } else if (contains(text, "inf") || contains(text, "1.#INF")) {
        value = std::numeric_limits<double>::infinity();
    } else if (contains(text, "-nan") || contains(text, "-1.#IND")) {
        value = negativeQuietNan();
    } else if (contains(text, "nan") || contains(text, "1.#QNAN")) {
        value = quietNan();
    } else {
        return false;
    }
    return true;
}

locale_t classicLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return locale;
}

bool parseWithStrtod(const char* text, double& value) {
    char* end = nullptr;
    errno = 0;
    const double result = strtod_l(text, &end, classicLocale());
    if (*end != '\0' || errno == ERANGE) {
        return false;
    }
    value = result;
    return true;
}

// The usual number text: 1 to 9 decimal digits without a leading zero (which would make it
// octal), sign or blanks. Its value, or false for any other text.
bool plainDecimal(std::string_view text, uint64_t& value) {
    constexpr size_t kMaxPlainDigits = 9;  // below any overflow
    if (text.empty() || text.size() > kMaxPlainDigits || text[0] == '0') {
        return false;
    }
    uint64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        number = number * 10 + uint64_t(c - '0');
    }
    value = number;
    return true;
}

}  // namespace

bool parseUnsignedNumber(std::string_view text, uint64_t max, uint64_t& value) {
    uint64_t plain = 0;
    if (plainDecimal(text, plain)) {
        if (plain > max) {
            return false;
        }
        value = plain;
        return true;
    }
    if (text.find('-') != std::string_view::npos) {
        return false;
    }
    const IntegerScan scan = scanInteger(text);
    if (scan.end != text.size() || scan.overflow || scan.magnitude > max) {
        return false;
    }
    value = scan.magnitude;
    return true;
}

bool parseSignedNumber(std::string_view text, int64_t min, int64_t max, int64_t& value) {
    const IntegerScan scan = scanInteger(text);
    if (scan.end != text.size() || scan.overflow) {
        return false;
    }
    int64_t result;
    if (scan.negative) {
        if (scan.magnitude > kSignedMagnitudeLimit) {
            return false;
        }
        result = scan.magnitude == kSignedMagnitudeLimit ? std::numeric_limits<int64_t>::min()
                                                         : -int64_t(scan.magnitude);
    } else {
        if (scan.magnitude >= kSignedMagnitudeLimit) {
            return false;
        }
        result = int64_t(scan.magnitude);
    }
    if (result < min || result > max) {
        return false;
    }
    value = result;
    return true;
}

bool parseDoubleValue(const char* text, double& value) {
    if (specialFloatingValue(text, value)) {
        return true;
    }
    return parseWithStrtod(text, value);
}

bool parseFloatValue(const char* text, float& value) {
    double result;
    if (specialFloatingValue(text, result)) {
        value = float(result);
        return true;
    }
    // The comparison also refuses NaN and infinities that strtod itself produces.
    if (!parseWithStrtod(text, result) || !(result >= -kFloat32Limit && result <= kFloat32Limit)) {
        return false;
    }
    value = float(result);
    return true;
}
