#include "reporting/format.h"
#include "utf8_conversion.h"

#include <cstdint>
#include <cwchar>
#include <vector>

namespace {

// One parsed conversion: flags, width, precision, length and type.
struct Spec {
    bool left = false;
    bool plus = false;
    bool blank = false;
    bool alternate = false;
    bool zero = false;
    int width = 0;
    int precision = -1;  // -1: none given
    std::wstring length;
    wchar_t conversion = 0;
};

class Formatter {
  public:
    Formatter(bool narrowFormat, va_list args) : narrowFormat_(narrowFormat) {
        va_copy(args_, args);
    }
    ~Formatter() { va_end(args_); }
    Formatter(const Formatter&) = delete;
    Formatter& operator=(const Formatter&) = delete;

    std::wstring run(const std::wstring& format);

  private:
    size_t parseSpec(const std::wstring& format, size_t pos, Spec& spec);
    void emitInteger(const Spec& spec);
    void emitText(const Spec& spec);
    void emitChar(const Spec& spec);
    void emitPointer(const Spec& spec);
    void pad(const Spec& spec, const std::wstring& body, const std::wstring& prefix);
    unsigned long long unsignedArgument(const Spec& spec);
    long long signedArgument(const Spec& spec);

    bool narrowFormat_;
    va_list args_;
    std::wstring out_;
};

std::wstring Formatter::run(const std::wstring& format) {
    for (size_t pos = 0; pos < format.size();) {
        if (format[pos] != L'%') {
            out_ += format[pos++];
            continue;
        }
        Spec spec;
        const size_t end = parseSpec(format, pos + 1, spec);
        switch (spec.conversion) {
            case L'%':
                out_ += L'%';
                break;
            case L'd':
            case L'i':
            case L'u':
            case L'x':
            case L'X':
            case L'o':
                emitInteger(spec);
                break;
            case L's':
                emitText(spec);
                break;
            case L'c':
                emitChar(spec);
                break;
            case L'p':
                emitPointer(spec);
                break;
            default:  // unknown or incomplete: copy it as it stands
                out_.append(format, pos, end - pos);
                break;
        }
        pos = end;
    }
    return out_;
}

size_t Formatter::parseSpec(const std::wstring& f, size_t pos, Spec& spec) {
    for (; pos < f.size(); ++pos) {
        const wchar_t c = f[pos];
        if (c == L'-') {
            spec.left = true;
        } else if (c == L'+') {
            spec.plus = true;
        } else if (c == L' ') {
            spec.blank = true;
        } else if (c == L'#') {
            spec.alternate = true;
        } else if (c == L'0') {
            spec.zero = true;
        } else {
            break;
        }
    }
    if (pos < f.size() && f[pos] == L'*') {
        spec.width = va_arg(args_, int);
        if (spec.width < 0) {
            spec.left = true;
            spec.width = spec.width == INT32_MIN ? INT32_MAX : -spec.width;
        }
        ++pos;
    } else {
        for (; pos < f.size() && f[pos] >= L'0' && f[pos] <= L'9'; ++pos) {
            spec.width = spec.width * 10 + (f[pos] - L'0');
        }
    }
    if (pos < f.size() && f[pos] == L'.') {
        ++pos;
        spec.precision = 0;
        if (pos < f.size() && f[pos] == L'*') {
            spec.precision = va_arg(args_, int);
            if (spec.precision < 0) {
                spec.precision = -1;
            }
            ++pos;
        } else {
            for (; pos < f.size() && f[pos] >= L'0' && f[pos] <= L'9'; ++pos) {
                spec.precision = spec.precision * 10 + (f[pos] - L'0');
            }
        }
    }
    if (f.compare(pos, 3, L"I64") == 0 || f.compare(pos, 3, L"I32") == 0) {
        spec.length = f.substr(pos, 3);
        pos += 3;
    } else {
        while (pos < f.size() && wcschr(L"hlwzjt", f[pos]) != nullptr) {
            spec.length += f[pos++];
        }
    }
    if (pos < f.size()) {
        spec.conversion = f[pos++];
    }
    return pos;
}

unsigned long long Formatter::unsignedArgument(const Spec& spec) {
    const std::wstring& l = spec.length;
    if (l == L"ll" || l == L"I64" || l == L"j") {
        return va_arg(args_, unsigned long long);
    }
    if (l == L"l") {
        return va_arg(args_, unsigned long);
    }
    if (l == L"z" || l == L"t") {
        return va_arg(args_, size_t);
    }
    const unsigned value = va_arg(args_, unsigned);
    if (l == L"hh") {
        return static_cast<unsigned char>(value);
    }
    if (l == L"h") {
        return static_cast<unsigned short>(value);
    }
    return value;
}

long long Formatter::signedArgument(const Spec& spec) {
    const std::wstring& l = spec.length;
    if (l == L"ll" || l == L"I64" || l == L"j") {
        return va_arg(args_, long long);
    }
    if (l == L"l") {
        return va_arg(args_, long);
    }
    if (l == L"z" || l == L"t") {
        return static_cast<long long>(va_arg(args_, ptrdiff_t));
    }
    const int value = va_arg(args_, int);
    if (l == L"hh") {
        return static_cast<signed char>(value);
    }
    if (l == L"h") {
        return static_cast<short>(value);
    }
    return value;
}

std::wstring digitsOf(unsigned long long value, unsigned base, bool upper) {
    const wchar_t* symbols = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    std::wstring digits;
    do {
        digits.insert(digits.begin(), symbols[value % base]);
        value /= base;
    } while (value != 0);
    return digits;
}

void Formatter::emitInteger(const Spec& spec) {
    const wchar_t c = spec.conversion;
    std::wstring prefix;
    unsigned long long magnitude = 0;
    if (c == L'd' || c == L'i') {
        const long long value = signedArgument(spec);
        magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                              : static_cast<unsigned long long>(value);
        prefix = value < 0 ? L"-" : spec.plus ? L"+" : spec.blank ? L" " : L"";
    } else {
        magnitude = unsignedArgument(spec);
    }
    const unsigned base = (c == L'x' || c == L'X') ? 16 : c == L'o' ? 8 : 10;
    std::wstring body = digitsOf(magnitude, base, c == L'X');
    if (spec.precision == 0 && magnitude == 0) {
        body.clear();
    }
    if (spec.precision > 0 && body.size() < static_cast<size_t>(spec.precision)) {
        body.insert(0, static_cast<size_t>(spec.precision) - body.size(), L'0');
    }
    if (spec.alternate && magnitude != 0 && base == 16) {
        prefix = c == L'X' ? L"0X" : L"0x";
    }
    if (spec.alternate && base == 8 && (body.empty() || body[0] != L'0')) {
        body.insert(0, 1, L'0');
    }
    Spec padding = spec;
    padding.zero = spec.zero && spec.precision < 0;
    pad(padding, body, prefix);
}

void Formatter::emitText(const Spec& spec) {
    const std::wstring& l = spec.length;
    const bool wide = narrowFormat_ ? (l == L"l" || l == L"w") : (l != L"h");
    std::wstring text;
    if (wide) {
        const wchar_t* value = va_arg(args_, const wchar_t*);
        text = value ? value : L"(null)";
    } else {
        const char* value = va_arg(args_, const char*);
        text = utf8ToWide(value ? value : "(null)");
    }
    if (spec.precision >= 0 && text.size() > static_cast<size_t>(spec.precision)) {
        text.resize(static_cast<size_t>(spec.precision));
    }
    Spec padding = spec;
    padding.zero = false;
    pad(padding, text, L"");
}

void Formatter::emitChar(const Spec& spec) {
    const std::wstring& l = spec.length;
    const bool wide = narrowFormat_ ? (l == L"l" || l == L"w") : (l != L"h");
    std::wstring text;
    if (wide) {
        text.assign(1, static_cast<wchar_t>(va_arg(args_, wint_t)));
    } else {
        const char narrow = static_cast<char>(va_arg(args_, int));
        text = utf8ToWide(std::string(1, narrow));
    }
    Spec padding = spec;
    padding.zero = false;
    pad(padding, text, L"");
}

void Formatter::emitPointer(const Spec& spec) {
    const void* value = va_arg(args_, const void*);
    Spec padding = spec;
    padding.zero = false;
    pad(padding, digitsOf(reinterpret_cast<uintptr_t>(value), 16, false), L"0x");
}

void Formatter::pad(const Spec& spec, const std::wstring& body, const std::wstring& prefix) {
    const size_t length = prefix.size() + body.size();
    const size_t width = static_cast<size_t>(spec.width);
    const size_t fill = width > length ? width - length : 0;
    if (spec.left) {
        out_ += prefix + body;
        out_.append(fill, L' ');
    } else if (spec.zero) {
        out_ += prefix;
        out_.append(fill, L'0');
        out_ += body;
    } else {
        out_.append(fill, L' ');
        out_ += prefix + body;
    }
}

int copyBounded(const std::wstring& text, wchar_t* buffer, size_t capacity) {
    if (buffer == nullptr || capacity == 0) {
        return -1;
    }
    const size_t count = text.size() < capacity - 1 ? text.size() : capacity - 1;
    text.copy(buffer, count);
    buffer[count] = L'\0';
    return static_cast<int>(count);
}

}  // namespace

std::wstring vformatWide(const wchar_t* format, va_list args) {
    Formatter formatter(false, args);
    return formatter.run(format ? format : L"");
}

std::wstring formatWide(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = vformatWide(format, args);
    va_end(args);
    return text;
}

std::string vformatNarrowText(const char* format, va_list args) {
    Formatter formatter(true, args);
    return wideToUtf8(formatter.run(utf8ToWide(format ? format : "")));
}

std::string formatNarrowText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = vformatNarrowText(format, args);
    va_end(args);
    return text;
}

int vformatMessage(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args) {
    return copyBounded(vformatWide(format, args), buffer, capacity);
}

int formatMessage(wchar_t* buffer, size_t capacity, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = vformatMessage(buffer, capacity, format, args);
    va_end(args);
    return written;
}

int formatNarrow(char* buffer, size_t capacity, const char* format, ...) {
    if (buffer == nullptr || capacity == 0) {
        return -1;
    }
    va_list args;
    va_start(args, format);
    std::string text = vformatNarrowText(format, args);
    va_end(args);
    size_t count = text.size() < capacity - 1 ? text.size() : capacity - 1;
    // Never cut inside a UTF-8 sequence.
    while (count > 0 && count < text.size() &&
           (static_cast<unsigned char>(text[count]) & 0xC0) == 0x80) {
        --count;
    }
    text.copy(buffer, count);
    buffer[count] = '\0';
    return static_cast<int>(count);
}

VkCString toNarrow(const wchar_t* text) {
    return VkCString(wideToUtf8(text ? std::wstring(text) : std::wstring()));
}
