#include "quill/unicode/conversion.h"

#include <windows.h>

#include <climits>
#include <vector>

#include "quill/unicode/errors.h"

namespace quill::unicode {
namespace {

int checked_length(std::size_t length) {
    if (length > static_cast<std::size_t>(INT_MAX / 4)) throw out_of_memory(std::string());
    return static_cast<int>(length);
}

[[noreturn]] void throw_narrowing_error(DWORD error) {
    switch (error) {
        case ERROR_INSUFFICIENT_BUFFER:
            throw out_of_memory(std::string());
        case ERROR_INVALID_PARAMETER:
            throw unmappable_character(std::string());
        default:
            throw generic(std::string());
    }
}

[[noreturn]] void throw_widening_error(DWORD error) {
    switch (error) {
        case ERROR_INSUFFICIENT_BUFFER:
            throw out_of_memory(std::string());
        // The same system error means a bad code page here and a bad character when narrowing.
        case ERROR_INVALID_PARAMETER:
            throw invalid_codepage(std::string());
        case ERROR_NO_UNICODE_TRANSLATION:
            throw unmappable_character(std::string());
        default:
            throw generic(std::string());
    }
}

std::string narrow_byte_per_unit(const std::wstring& text) {
    std::string result;
    result.reserve(text.size());
    for (const wchar_t unit : text) {
        if (static_cast<unsigned>(unit) > 0xFF) throw unmappable_character(std::string());
        result.push_back(static_cast<char>(static_cast<unsigned char>(unit)));
    }
    return result;
}

std::wstring widen_byte_per_unit(const std::string& text) {
    std::wstring result;
    result.reserve(text.size());
    for (const char byte : text)
        result.push_back(static_cast<wchar_t>(static_cast<unsigned char>(byte)));
    return result;
}

}  // namespace

bool is_no_flags_codepage(codepage page) noexcept {
    switch (page) {
        case 42:
        case 50221:
        case 50222:
        case 50225:
        case 50227:
        case 50229:
        case 52936:
        case 54936:
        case 65000:
        case 65001:
            return true;
        default:
            return page >= 57002 && page <= 57011;
    }
}

std::string to_narrow(const std::wstring& text, codepage page, bool strict) {
    if (text.empty()) return std::string();
    if (page == byte_per_unit) return narrow_byte_per_unit(text);

    CPINFO info{};
    if (!::GetCPInfo(static_cast<UINT>(page), &info)) throw invalid_codepage(std::string());

    const int units = checked_length(text.size());
    BOOL used_default = FALSE;
    BOOL* const used_default_out = is_no_flags_codepage(page) ? nullptr : &used_default;
    // Asking for the size first keeps the buffer at the text's real length instead of the
    // worst case of MaxCharSize bytes per unit.
    const int needed = ::WideCharToMultiByte(static_cast<UINT>(page), 0, text.data(), units,
                                             nullptr, 0, nullptr, nullptr);
    if (needed <= 0) throw_narrowing_error(::GetLastError());
    std::string buffer(static_cast<std::size_t>(needed), '\0');
    const int written = ::WideCharToMultiByte(static_cast<UINT>(page), 0, text.data(), units,
                                              buffer.data(), needed, nullptr, used_default_out);
    if (used_default && strict) throw unmappable_character(std::string());
    if (written == 0) throw_narrowing_error(::GetLastError());
    buffer.resize(static_cast<std::size_t>(written));
    return buffer;
}

std::wstring to_wide(const std::string& text, codepage page) {
    if (text.empty()) return std::wstring();
    if (page == byte_per_unit) return widen_byte_per_unit(text);

    const int bytes = checked_length(text.size());
    std::vector<wchar_t> buffer(text.size());
    const DWORD flags = is_no_flags_codepage(page) ? 0 : MB_ERR_INVALID_CHARS;
    const int written = ::MultiByteToWideChar(static_cast<UINT>(page), flags, text.data(), bytes,
                                              buffer.data(), bytes);
    if (written == 0) throw_widening_error(::GetLastError());
    return std::wstring(buffer.data(), static_cast<std::size_t>(written));
}

}  // namespace quill::unicode
