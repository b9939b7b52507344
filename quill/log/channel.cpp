#include "quill/log/channel.h"

#include <windows.h>

#include <comdef.h>

#include <cstdarg>
#include <iterator>

#include "quill/exception.h"
#include "quill/log/scope.h"
#include "quill/system_message.h"
#include "quill/unicode/conversion.h"

namespace quill::log {
namespace {

constexpr char level_letters[] = "# +!>@";

char level_letter(int level) {
    if (level < 0 || level > 5) return '?';
    return level_letters[level];
}

// The text a COM error shows: the system's message for its code, else the names COM itself
// gives to IDispatch codes and to unknown ones.
std::wstring com_error_text(HRESULT code) {
    const auto value = static_cast<unsigned long>(code);
    const std::string message = system_message(value);
    if (!message.empty()) return unicode::to_wide(message, unicode::ansi_codepage);
    if (value > 0x800401FFul && value < 0x80050000ul) {
        return format_w(L"IDispatch error #%d", static_cast<int>(value & 0xFFFFul) - 512);
    }
    return format_w(L"Unknown error 0x%0lX", value);
}

// Describes the exception being handled, the way the level-5 line shows it.
std::wstring append_current_exception(const std::wstring& text) {
    try {
        throw;
    } catch (const _com_error& error) {
        return format_w(L"%ls _com_error: %ls", text.c_str(),
                        com_error_text(error.Error()).c_str());
    } catch (const quill::exception_w& error) {
        return format_w(L"%ls Exception: %ls", text.c_str(), error.what_w());
    } catch (const std::exception& error) {
        std::wstring what;
        try {
            what = unicode::to_wide(error.what(), unicode::ansi_codepage);
        } catch (const std::exception&) {
            what = unicode::to_wide(error.what(), unicode::byte_per_unit);
        }
        return format_w(L"%ls exception: %ls", text.c_str(), what.c_str());
    } catch (...) {
        return format_w(L"%ls unknown exception caught", text.c_str());
    }
}

// Control characters written as escapes, so that a name from outside (a registry or file
// name may hold CR LF and a forged time stamp) cannot start a line of its own. The program's
// own lines hold none.
std::wstring with_controls_escaped(const std::wstring& text) {
    std::wstring escaped;
    escaped.reserve(text.size());
    for (const wchar_t c : text) {
        if (c >= 0x20 && c != 0x7F) {
            escaped += c;
        } else if (c == L'\r') {
            escaped += L"\\r";
        } else if (c == L'\n') {
            escaped += L"\\n";
        } else if (c == L'\t') {
            escaped += L"\\t";
        } else {
            escaped += format_w(L"\\x%02x", static_cast<unsigned>(c));
        }
    }
    return escaped;
}

}  // namespace

channel::~channel() {
    try {
        close();
    } catch (...) {
    }
}

void channel::attach(int minimum_level, std::unique_ptr<listener> sink) {
    scope guard(*this);
    listeners_.emplace(minimum_level, std::move(sink));
}

void channel::close() {
    scope guard(*this);
    listeners_.clear();
}

bool channel::empty() {
    scope guard(*this);
    return listeners_.empty();
}

std::string channel::make_prefix(int level, const SYSTEMTIME& t) {
    return quill::format("%.4d/%.2d/%.2d %.2d:%.2d:%.2d %c  ", t.wYear, t.wMonth, t.wDay, t.wHour,
                         t.wMinute, t.wSecond, level_letter(level));
}

void channel::write(int level, const std::wstring& text) {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    const std::string prefix = make_prefix(level, now);
    const std::wstring line =
        with_controls_escaped(level == level_exception ? append_current_exception(text) : text);
    const std::string utf8 = unicode::to_narrow(line, unicode::utf8_codepage, true);

    scope guard(*this);
    // Highest minimum level first; among equal levels the most recently attached first.
    const auto end = listeners_.upper_bound(level);
    for (auto it = std::make_reverse_iterator(end); it != listeners_.rend(); ++it) {
        it->second->write(level, prefix, utf8);
    }
}

void channel::write(int level, const std::string& text) {
    try {
        write(level, unicode::to_wide(text, unicode::ansi_codepage));
        return;
    } catch (...) {
    }
    try {
        write(level, unicode::to_wide(text, unicode::utf8_codepage));
        return;
    } catch (...) {
    }
    write(level, L"quill::log: unable to convert input to unicode");
}

void channel::write(int level, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string text;
    try {
        text = vformat(fmt, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
    write(level, text);
}

void channel::write(int level, const wchar_t* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::wstring text;
    try {
        text = vformat_w(fmt, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
    write(level, text);
}

}  // namespace quill::log
