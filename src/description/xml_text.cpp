#include "description/xml_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "reporting/format.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;
// The least room xmlToUtf8View keeps in its storage, enough for the usual attribute value.
constexpr size_t kViewStorageSize = 64;

bool isHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void appendCodePoint(char32_t code, std::string& out) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

void appendAscii(const XMLCh* text, size_t length, std::string& out) {
    char buffer[64];
    for (size_t done = 0; done < length;) {
        const size_t part = std::min(length - done, sizeof buffer);
        for (size_t i = 0; i < part; ++i) {
            buffer[i] = char(text[done + i]);
        }
        out.append(buffer, part);
        done += part;
    }
}

}  // namespace

void appendUtf8(const XMLCh* text, size_t length, std::string& out) {
    size_t ascii = 0;
    while (ascii < length && text[ascii] < 0x80) {
        ++ascii;
    }
    appendAscii(text, ascii, out);
    for (size_t i = ascii; i < length; ++i) {
        const char32_t unit = text[i];
        if (unit < 0x80) {
            out.push_back(char(unit));
        } else if (isHighSurrogate(unit) && i + 1 < length && isLowSurrogate(text[i + 1])) {
            const char32_t low = text[++i];
            appendCodePoint(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), out);
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            appendCodePoint(kReplacement, out);
        } else {
            appendCodePoint(unit, out);
        }
    }
}

void appendUtf8(const XMLCh* text, std::string& out) {
    if (text == nullptr) {
        return;
    }
    // The common case, ASCII, goes through a small buffer: one append per 64 characters.
    char buffer[64];
    size_t used = 0;
    while (*text != 0 && *text < 0x80) {
        buffer[used++] = char(*text++);
        if (used == sizeof buffer) {
            out.append(buffer, used);
            used = 0;
        }
    }
    out.append(buffer, used);
    size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    appendUtf8(text, length, out);
}

std::string_view xmlToUtf8View(const XMLCh* text, std::string& storage) {
    if (text == nullptr) {
        return std::string_view();
    }
    // ASCII is copied as it is met, as long as storage has room; anything else starts over.
    char* target = storage.data();
    const size_t room = storage.size();
    size_t length = 0;
    for (; length < room && text[length] != 0 && text[length] < 0x80; ++length) {
        target[length] = char(text[length]);
    }
    if (length < room && text[length] == 0) {
        return std::string_view(storage.data(), length);
    }
    while (text[length] != 0) {
        ++length;
    }
    storage.clear();
    appendUtf8(text, length, storage);
    const size_t size = storage.size();
    storage.resize(std::max(size, kViewStorageSize));  // room for the next text
    return std::string_view(storage.data(), size);
}

std::string xmlToUtf8(const XMLCh* text) {
    std::string out;
    appendUtf8(text, out);
    return out;
}

std::basic_string<XMLCh> wideToXml(const std::wstring& text) {
    std::basic_string<XMLCh> out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        char32_t code = char32_t(c);
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            code = kReplacement;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out += XMLCh(0xD800 + (code >> 10));
            out += XMLCh(0xDC00 + (code & 0x3FF));
        } else {
            out += XMLCh(code);
        }
    }
    return out;
}

bool xmlEqualsAscii(const XMLCh* text, const char* ascii) {
    if (text == nullptr) {
        return false;
    }
    size_t i = 0;
    for (; ascii[i] != '\0'; ++i) {
        if (text[i] != XMLCh(static_cast<unsigned char>(ascii[i]))) {
            return false;
        }
    }
    return text[i] == 0;
}

namespace {

void printLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

std::string messageLine(const xercesc::Locator* locator, const char* severity,
                        const std::string& message) {
    std::string line;
    if (locator != nullptr) {
        const std::string systemId = xmlToUtf8(locator->getSystemId());
        line = formatNarrowText("%s:%I64u:%I64u: %s: %s\n", systemId.c_str(),
                                uint64_t(locator->getLineNumber()),
                                uint64_t(locator->getColumnNumber()), severity, message.c_str());
    } else {
        line = formatNarrowText("%s: %s\n", severity, message.c_str());
    }
    return line;
}

void printMessage(const xercesc::Locator* locator, const char* severity,
                  const std::string& message) {
    printLine(messageLine(locator, severity, message));
}

}  // namespace

void printReaderError(const xercesc::Locator* locator, const std::string& message) {
    printMessage(locator, "error", message);
}

void printReaderWarning(const xercesc::Locator* locator, const std::string& message) {
    printMessage(locator, "warning", message);
}

void printReaderFatalError(const xercesc::Locator* locator, const std::string& message) {
    printMessage(locator, "fatal error", message);
}

void stopReading(const xercesc::Locator* locator, const std::string& message) {
    printReaderError(locator, message);
    throw ReadingStopped();
}

void stopReadingLater(const xercesc::Locator* locator, const std::string& message) {
    throw ReadingStopped(messageLine(locator, "error", message));
}

void printHeldReason(const ReadingStopped& stopped) {
    if (!stopped.heldLine().empty()) {
        printLine(stopped.heldLine());
    }
}

void printFileError(const std::string& message) {
    printLine("ERROR: " + message + "\n");
}

void printFileWarning(const std::string& message) {
    printLine("WARNING: " + message + "\n");
}
