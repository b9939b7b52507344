#include "quill/registry2/key.h"

#include <cstdint>
#include <vector>

#include "quill/unicode/conversion.h"

namespace quill::registry2 {
namespace {

constexpr REGSAM read_write = KEY_READ | KEY_WRITE;
constexpr DWORD enumeration_buffer = 260;
constexpr DWORD max_expansion = 32768;  // characters, terminator included
// The registry itself allows 512 levels; a deeper walk can only come from a corrupt hive.
constexpr int max_depth = 512;
// ERROR_REPARSE_POINT_ENCOUNTERED, which not every SDK's headers define.
constexpr int reparse_point_encountered = 4395;

// A name only describes the failure: one the ANSI code page cannot hold must not turn the
// registry error into a conversion error (callers catch registry errors per item).
std::string message_name(const std::wstring& name) {
    try {
        return unicode::to_narrow(name, unicode::ansi_codepage, false);
    } catch (const exception&) {
        std::string ascii;
        for (const wchar_t c : name) ascii += c < 0x80 ? static_cast<char>(c) : '?';
        return ascii;
    }
}

int printable(HKEY handle) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(handle));
}

HKEY open_with_fallback(HKEY parent, const wchar_t* name, LONG& result, DWORD options = 0) {
    HKEY opened = nullptr;
    result = ::RegOpenKeyExW(parent, name, options, read_write, &opened);
    if (result == ERROR_ACCESS_DENIED)
        result = ::RegOpenKeyExW(parent, name, options, KEY_READ, &opened);
    return result == ERROR_SUCCESS ? opened : nullptr;
}

// RegDeleteKeyW follows a link and deletes its target; only NtDeleteKey on a handle opened
// with REG_OPTION_OPEN_LINK deletes the link itself. Both are looked up in ntdll, which every
// process has loaded.
LONG delete_by_handle(HKEY opened) {
    using nt_delete_key = LONG(NTAPI*)(HANDLE);
    using status_to_error = ULONG(NTAPI*)(LONG);
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr) return ERROR_PROC_NOT_FOUND;
    const auto delete_key = reinterpret_cast<nt_delete_key>(
        reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtDeleteKey")));
    const auto to_error = reinterpret_cast<status_to_error>(
        reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlNtStatusToDosError")));
    if (delete_key == nullptr || to_error == nullptr) return ERROR_PROC_NOT_FOUND;
    const LONG status = delete_key(opened);
    return status == 0 ? ERROR_SUCCESS : static_cast<LONG>(to_error(status));
}

// Enumerates names by index with RegEnumKeyExW or RegEnumValueW; returns the first error
// other than the end of the list, or ERROR_SUCCESS.
template <typename Enumerate>
LONG enumerate_names(Enumerate enumerate, name_set& names) {
    wchar_t buffer[enumeration_buffer];
    for (DWORD index = 0;; ++index) {
        DWORD length = enumeration_buffer;
        const LONG result = enumerate(index, buffer, &length);
        if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (result != ERROR_SUCCESS) return result;
        if (length > enumeration_buffer) length = enumeration_buffer;
        if (length > 0 && buffer[length - 1] == L'\0') --length;
        names.emplace(buffer, length);
    }
}

}  // namespace

key key::open_handle(HKEY handle) {
    LONG result = ERROR_SUCCESS;
    const HKEY opened = open_with_fallback(handle, nullptr, result);
    if (opened == nullptr) {
        throw key_error(format("RegOpenKeyEx() failed: handle %i (%i)", printable(handle),
                               static_cast<int>(result)));
    }
    return key(opened);
}

key key::open(const key& parent, const std::wstring& name, bool create) {
    if (create) {
        HKEY created = nullptr;
        const LONG result =
            ::RegCreateKeyExW(parent.handle(), name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              read_write, nullptr, &created, nullptr);
        if (result != ERROR_SUCCESS) {
            throw key_error(format("RegCreateKeyEx() failed: key \"%s\" (%i)",
                                   message_name(name).c_str(), static_cast<int>(result)));
        }
        return key(created);
    }
    LONG result = ERROR_SUCCESS;
    const HKEY opened = open_with_fallback(parent.handle(), name.c_str(), result);
    if (opened == nullptr) {
        throw key_error(format("RegOpenKeyEx() failed: key \"%s\" (%i)", message_name(name).c_str(),
                               static_cast<int>(result)));
    }
    return key(opened);
}

key key::open_as_is(const key& parent, const std::wstring& name) {
    LONG result = ERROR_SUCCESS;
    const HKEY opened =
        open_with_fallback(parent.handle(), name.c_str(), result, REG_OPTION_OPEN_LINK);
    if (opened == nullptr) {
        throw key_error(format("RegOpenKeyEx() failed: key \"%s\" (%i)", message_name(name).c_str(),
                               static_cast<int>(result)));
    }
    return key(opened);
}

key key::open_path_as_is(const key& parent, const std::wstring& path) {
    key current = open_handle(parent.handle());
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        if (end > start) {
            current = open_as_is(current, path.substr(start, end - start));
            if (current.is_link()) {
                throw key_error(format("RegOpenKeyEx() failed: key \"%s\" (%i)",
                                       message_name(path).c_str(), reparse_point_encountered));
            }
        }
        start = end + 1;
    }
    return current;
}

bool key::is_link() const noexcept {
    DWORD type = 0;
    return ::RegQueryValueExW(handle(), L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
               ERROR_SUCCESS &&
           type == REG_LINK;
}

name_set key::sub_keys() const {
    name_set names;
    const LONG result = enumerate_names(
        [this](DWORD index, wchar_t* buffer, DWORD* length) {
            FILETIME written{};
            return ::RegEnumKeyExW(handle(), index, buffer, length, nullptr, nullptr, nullptr,
                                   &written);
        },
        names);
    if (result != ERROR_SUCCESS) {
        throw key_error(format("RegEnumKeyEx() failed: handle %i (%i)", printable(handle()),
                               static_cast<int>(result)));
    }
    return names;
}

name_set key::value_names() const {
    name_set names;
    const LONG result = enumerate_names(
        [this](DWORD index, wchar_t* buffer, DWORD* length) {
            return ::RegEnumValueW(handle(), index, buffer, length, nullptr, nullptr, nullptr,
                                   nullptr);
        },
        names);
    if (result != ERROR_SUCCESS) {
        throw key_error(format("RegEnumValue() failed: handle %i (%i)", printable(handle()),
                               static_cast<int>(result)));
    }
    return names;
}

bool key::peek(const std::wstring& name, DWORD& type, DWORD& size) const noexcept {
    DWORD found_type = type;
    DWORD found_size = size;
    const LONG result =
        ::RegQueryValueExW(handle(), name.c_str(), nullptr, &found_type, nullptr, &found_size);
    if (result == ERROR_SUCCESS) {
        type = found_type;
        size = found_size;
        return true;
    }
    if (result == ERROR_FILE_NOT_FOUND) type = 0;
    return false;
}

void key::check_type(const std::wstring& name, DWORD expected, DWORD found) const {
    if (found == 0)
        throw value_error(format("Not found: value \"%s\"", message_name(name).c_str()));
    if (found == expected) return;
    if (expected == REG_SZ && found == REG_EXPAND_SZ) return;
    throw type_mismatch(format("Type mismatch: value \"%s\" expected %i found %i",
                               message_name(name).c_str(), static_cast<int>(expected),
                               static_cast<int>(found)));
}

void key::read_raw(const std::wstring& name, void* buffer, DWORD expected_size) const {
    DWORD length = expected_size;
    const LONG result = ::RegQueryValueExW(handle(), name.c_str(), nullptr, nullptr,
                                           static_cast<BYTE*>(buffer), &length);
    if (length != expected_size) {
        throw size_mismatch(format("Size mismatch: value \"%s\" expected %i found %i",
                                   message_name(name).c_str(), static_cast<int>(expected_size),
                                   static_cast<int>(length)));
    }
    if (result != ERROR_SUCCESS) {
        throw value_error(format("RegQueryValueEx() failed: value \"%s\" (%i)",
                                 message_name(name).c_str(), static_cast<int>(result)));
    }
}

std::wstring key::get_string(const std::wstring& name) const {
    DWORD type = 0;
    DWORD size = 0;
    peek(name, type, size);
    check_type(name, REG_SZ, type);

    // One spare unit beyond the data keeps the text terminated whatever the data holds,
    // an odd byte count included.
    std::vector<wchar_t> data(size / 2 + 2, L'\0');
    read_raw(name, data.data(), size);
    std::wstring text(data.data(), size / 2);
    if (!text.empty() && text.back() == L'\0') text.pop_back();
    if (type != REG_EXPAND_SZ) return text;

    // Ask for the needed size first. The system expands at most 32 Ki characters (beyond
    // that it reports a size but fills zeros), so a longer expansion is an error, not a text.
    const std::wstring source = text.c_str();
    const DWORD needed = ::ExpandEnvironmentStringsW(source.c_str(), nullptr, 0);
    DWORD error = needed == 0 ? ::GetLastError() : ERROR_INSUFFICIENT_BUFFER;
    if (needed != 0 && needed <= max_expansion) {
        std::vector<wchar_t> expanded(needed + 1, L'\0');
        const DWORD produced = ::ExpandEnvironmentStringsW(source.c_str(), expanded.data(), needed);
        if (produced != 0 && produced <= needed) return std::wstring(expanded.data(), produced - 1);
        error = produced == 0 ? ::GetLastError() : ERROR_INSUFFICIENT_BUFFER;
    }
    throw value_error(format("ExpandEnvironmentStrings() failed: value \"%s\" (%i)",
                             message_name(name).c_str(), static_cast<int>(error)));
}

DWORD key::get_dword(const std::wstring& name) const {
    DWORD type = 0;
    DWORD size = 0;
    peek(name, type, size);
    check_type(name, REG_DWORD, type);
    DWORD value = 0;
    read_raw(name, &value, sizeof(value));
    return value;
}

void key::set_raw(const std::wstring& name, DWORD type, const void* data, DWORD size) {
    const LONG result =
        ::RegSetValueExW(handle(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    if (result != ERROR_SUCCESS) {
        throw value_error(format("RegSetValueEx() failed: value \"%s\" (%i)",
                                 message_name(name).c_str(), static_cast<int>(result)));
    }
}

void key::set_string(const std::wstring& name, const std::wstring& text) {
    set_raw(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() * 2 + 2));
}

void key::set_dword(const std::wstring& name, DWORD value) {
    set_raw(name, REG_DWORD, &value, sizeof(value));
}

void key::delete_value(const std::wstring& name) {
    const LONG result = ::RegDeleteValueW(handle(), name.c_str());
    if (result != ERROR_SUCCESS) {
        throw key_error(format("RegDeleteValue() failed: value \"%s\" (%i)",
                               message_name(name).c_str(), static_cast<int>(result)));
    }
}

void key::delete_key(const std::wstring& name, bool recursive) {
    delete_tree(name, recursive, 0);
}

void key::delete_tree(const std::wstring& name, bool recursive, int depth) {
    if (recursive) {
        if (depth >= max_depth) {
            throw key_error(format("RegDeleteKey() failed: key \"%s\" (%i)",
                                   message_name(name).c_str(),
                                   static_cast<int>(ERROR_STACK_OVERFLOW)));
        }
        key child = open_as_is(*this, name);
        // A link has no children of its own; descending would walk its target.
        if (!child.is_link()) {
            for (const std::wstring& grandchild : child.sub_keys())
                child.delete_tree(grandchild, true, depth + 1);
        }
        child.close();
    }
    delete_as_is(name);
}

void key::delete_as_is(const std::wstring& name) {
    HKEY opened = nullptr;
    LONG result = ::RegOpenKeyExW(handle(), name.c_str(), REG_OPTION_OPEN_LINK, DELETE, &opened);
    if (result == ERROR_SUCCESS) {
        const unique_hkey doomed(opened);
        result = delete_by_handle(doomed.get());
    }
    if (result != ERROR_SUCCESS) {
        throw key_error(format("RegDeleteKey() failed: key \"%s\" (%i)", message_name(name).c_str(),
                               static_cast<int>(result)));
    }
}

}  // namespace quill::registry2
