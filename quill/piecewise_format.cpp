#include "quill/piecewise_format.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "quill/exception.h"
#include "quill/unicode/conversion.h"

namespace quill::piecewise {
namespace {

// One conversion directive: '%', flags, width, precision, length modifier, conversion.
struct conversion {
    std::string flags_width_precision;  // as written, '*' included
    int stars = 0;                      // width and precision taken from the arguments
    std::string length;
    char type = 0;
    std::size_t size = 0;  // characters from the '%' on
};

const char* const kLengthModifiers[] = {"hh", "h", "ll",  "l",   "L", "z",
                                        "j",  "t", "I64", "I32", "I", "w"};

bool is_one_of(char c, const char* set) {
    return c != '\0' && std::strchr(set, c) != nullptr;
}

void take_digits_or_star(const char*& p, conversion& directive) {
    if (*p == '*') {
        directive.flags_width_precision += *p++;
        ++directive.stars;
        return;
    }
    while (*p >= '0' && *p <= '9') directive.flags_width_precision += *p++;
}

// Only the combinations whose argument type is known; any other would read the wrong type.
bool modifier_fits(const conversion& directive) {
    const std::string& length = directive.length;
    if (is_one_of(directive.type, "fFeEgGaA"))
        return length.empty() || length == "l" || length == "L";
    if (is_one_of(directive.type, "diouxX")) return length != "L" && length != "w";
    if (is_one_of(directive.type, "cs")) {
        return length.empty() || length == "h" || length == "l" || length == "w";
    }
    return length.empty();  // C, S, p
}

// Parses the directive that `at` (a '%' not followed by another) begins; false when it
// is malformed or of a kind this formatter does not handle.
bool parse(const char* at, conversion& directive) {
    const char* p = at + 1;
    while (is_one_of(*p, "-+ #0")) directive.flags_width_precision += *p++;
    take_digits_or_star(p, directive);
    if (*p == '.') {
        directive.flags_width_precision += *p++;
        take_digits_or_star(p, directive);
    }
    for (const char* modifier : kLengthModifiers) {
        const std::size_t length = std::strlen(modifier);
        if (std::strncmp(p, modifier, length) == 0) {
            directive.length = modifier;
            p += length;
            break;
        }
    }
    if (!is_one_of(*p, "diouxXcsCSfFeEgGaAp")) return false;
    directive.type = *p++;
    directive.size = static_cast<std::size_t>(p - at);
    return modifier_fits(directive);
}

bool is_wide(const conversion& directive) {
    if (directive.type == 'S' || directive.type == 'C') return true;
    return (directive.type == 's' || directive.type == 'c') &&
           (directive.length == "l" || directive.length == "w");
}

// The argument list, passed by reference so that every reader advances the same list.
struct arguments {
    va_list list;
};

class renderer {
  public:
    explicit renderer(std::size_t limit) : limit_(limit) {}

    void literal(const char* begin, std::size_t count) {
        text_.append(begin, count);
        check_limit();
    }

    void argument(const conversion& directive, arguments& args) {
        int stars[2] = {0, 0};
        for (int i = 0; i < directive.stars; ++i) stars[i] = va_arg(args.list, int);
        if (is_wide(directive)) {
            wide_argument(directive, stars, args);
        } else if (is_one_of(directive.type, "di")) {
            signed_argument(directive, stars, args);
        } else if (is_one_of(directive.type, "ouxX")) {
            unsigned_argument(directive, stars, args);
        } else if (directive.type == 'c') {
            append(directive, stars, va_arg(args.list, int));
        } else if (directive.type == 's') {
            append(directive, stars, va_arg(args.list, const char*));
        } else if (directive.type == 'p') {
            append(directive, stars, va_arg(args.list, void*));
        } else if (directive.length == "L") {
            append(directive, stars, va_arg(args.list, long double));
        } else {
            append(directive, stars, va_arg(args.list, double));
        }
    }

    std::string take() { return std::move(text_); }

  private:
    void check_limit() const {
        if (text_.size() > limit_) throw exception(std::string("format() failed: text too long"));
    }

    // Formats one argument with its own directive (its length modifier as given).
    template <typename T>
    void append(const conversion& directive, const int* stars, T value) {
        append_as(directive, directive.length + directive.type, stars, value);
    }

    template <typename T>
    void append_as(const conversion& directive, const std::string& ending, const int* stars,
                   T value) {
        const std::string piece = "%" + directive.flags_width_precision + ending;
        const int needed = print(nullptr, 0, piece.c_str(), directive.stars, stars, value);
        if (needed < 0) {
            throw exception(std::string("format() failed: the text cannot be encoded"));
        }
        if (static_cast<std::size_t>(needed) > limit_ - text_.size()) {
            throw exception(std::string("format() failed: text too long"));
        }
        const std::size_t start = text_.size();
        text_.resize(start + static_cast<std::size_t>(needed) + 1);
        print(&text_[start], static_cast<std::size_t>(needed) + 1, piece.c_str(), directive.stars,
              stars, value);
        text_.resize(start + static_cast<std::size_t>(needed));
    }

    template <typename T>
    static int print(char* buffer, std::size_t size, const char* piece, int star_count,
                     const int* stars, T value) {
        switch (star_count) {
            case 0:
                return std::snprintf(buffer, size, piece, value);
            case 1:
                return std::snprintf(buffer, size, piece, stars[0], value);
            default:
                return std::snprintf(buffer, size, piece, stars[0], stars[1], value);
        }
    }

    void signed_argument(const conversion& directive, const int* stars, arguments& args) {
        const std::string& length = directive.length;
        if (length == "l") {
            append(directive, stars, va_arg(args.list, long));
        } else if (length == "ll" || length == "I64") {
            append(directive, stars, va_arg(args.list, long long));
        } else if (length == "z" || length == "I" || length == "t") {
            append(directive, stars, va_arg(args.list, std::ptrdiff_t));
        } else if (length == "j") {
            append(directive, stars, va_arg(args.list, std::intmax_t));
        } else {
            append(directive, stars, va_arg(args.list, int));  // also h and hh: promoted to int
        }
    }

    void unsigned_argument(const conversion& directive, const int* stars, arguments& args) {
        const std::string& length = directive.length;
        if (length == "l") {
            append(directive, stars, va_arg(args.list, unsigned long));
        } else if (length == "ll" || length == "I64") {
            append(directive, stars, va_arg(args.list, unsigned long long));
        } else if (length == "z" || length == "I" || length == "t") {
            append(directive, stars, va_arg(args.list, std::size_t));
        } else if (length == "j") {
            append(directive, stars, va_arg(args.list, std::uintmax_t));
        } else {
            append(directive, stars, va_arg(args.list, unsigned int));
        }
    }

    // Rendered in ANSI first, then placed with the directive's flags, width and precision.
    void wide_argument(const conversion& directive, const int* stars, arguments& args) {
        std::wstring wide;
        if (directive.type == 'c' || directive.type == 'C') {
            // wchar_t travels through "..." promoted to int.
            wide.assign(1, static_cast<wchar_t>(va_arg(args.list, int)));
        } else {
            const wchar_t* value = va_arg(args.list, const wchar_t*);
            wide = value == nullptr ? L"(null)" : value;
        }
        const std::string ansi = ansi_rendering(wide);
        append_as(directive, "s", stars, ansi.c_str());
    }

    static std::string ansi_rendering(const std::wstring& wide) {
        try {
            return unicode::to_narrow(wide, unicode::ansi_codepage, false);
        } catch (const std::exception&) {
            // The system refused the text as a whole: ASCII stays, the rest becomes "?".
            std::string ascii;
            for (const wchar_t unit : wide) ascii += unit < 0x80 ? static_cast<char>(unit) : '?';
            return ascii;
        }
    }

    std::size_t limit_;
    std::string text_;
};

}  // namespace

bool has_wide_argument(const char* format) {
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') continue;
        if (p[1] == '%') {
            ++p;
            continue;
        }
        conversion directive;
        if (!parse(p, directive)) return false;
        if (is_wide(directive)) return true;
        p += directive.size - 1;
    }
    return false;
}

std::string vformat(const char* format, va_list list, std::size_t limit) {
    arguments args;
    va_copy(args.list, list);
    renderer text(limit);
    try {
        const char* literal = format;
        const char* p = format;
        while (*p != '\0') {
            if (*p != '%') {
                ++p;
                continue;
            }
            text.literal(literal, static_cast<std::size_t>(p - literal));
            if (p[1] == '%') {
                text.literal(p, 1);
                p += 2;
            } else {
                conversion directive;
                if (!parse(p, directive)) {
                    throw exception(std::string("format() failed: unsupported conversion"));
                }
                text.argument(directive, args);
                p += directive.size;
            }
            literal = p;
        }
        text.literal(literal, static_cast<std::size_t>(p - literal));
    } catch (...) {
        va_end(args.list);
        throw;
    }
    va_end(args.list);
    return text.take();
}

}  // namespace quill::piecewise
