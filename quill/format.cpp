#include "quill/format.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "quill/exception.h"
#include "quill/piecewise_format.h"

namespace quill {
namespace {

constexpr std::size_t initial_buffer = 1024;
// Far beyond any message or log line; reaching it means the formatter fails for another
// reason than a short buffer.
constexpr std::size_t buffer_limit = std::size_t{1} << 24;

}  // namespace

std::string vformat(const char* fmt, va_list args) {
    // A wide argument must never make the text fail or come out cut short.
    if (piecewise::has_wide_argument(fmt)) return piecewise::vformat(fmt, args, buffer_limit);
    std::vector<char> buffer(initial_buffer);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        const int produced = std::vsnprintf(buffer.data(), buffer.size(), fmt, copy);
        va_end(copy);
        // C99 semantics: a negative count is an encoding failure, not a short buffer.
        if (produced < 0)
            throw exception(std::string("format() failed: the text cannot be encoded"));
        if (static_cast<std::size_t>(produced) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(produced));
        }
        if (buffer.size() >= buffer_limit)
            throw exception(std::string("format() failed: text too long"));
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring vformat_w(const wchar_t* fmt, va_list args) {
    std::vector<wchar_t> buffer(initial_buffer);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        const int produced = std::vswprintf(buffer.data(), buffer.size(), fmt, copy);
        va_end(copy);
        // vswprintf reports a short buffer and an encoding failure alike (negative), so the
        // size limit is what ends a formatter that can never succeed.
        if (produced >= 0 && static_cast<std::size_t>(produced) < buffer.size()) {
            return std::wstring(buffer.data(), static_cast<std::size_t>(produced));
        }
        if (buffer.size() >= buffer_limit) {
            throw exception(std::string("format_w() failed: the text cannot be produced"));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    try {
        std::string text = vformat(fmt, args);
        va_end(args);
        return text;
    } catch (...) {
        va_end(args);
        throw;
    }
}

std::wstring format_w(const wchar_t* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    try {
        std::wstring text = vformat_w(fmt, args);
        va_end(args);
        return text;
    } catch (...) {
        va_end(args);
        throw;
    }
}

}  // namespace quill
