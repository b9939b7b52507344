#include "installer/wow64_key.h"

#include <utility>

Wow64Key::Wow64Key(Wow64Key&& other) noexcept
    : api_(other.api_), handle_(std::exchange(other.handle_, nullptr)) {}

Wow64Key& Wow64Key::operator=(Wow64Key&& other) noexcept {
    if (this != &other) {
        Close();
        api_ = other.api_;
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

Wow64Key Wow64Key::Open(const Wow64RegistryFunctions& api, HKEY parent,
                        const std::wstring& sub_path, REGSAM access) {
    // Longer paths would not fit the buffer they are copied into: treated as not found.
    if (!FitsPathBuffer(sub_path)) return Wow64Key();
    // REG_OPTION_OPEN_LINK acts on the last component only, so each one is opened on its own.
    Wow64Key current;
    std::size_t start = 0;
    while (start < sub_path.size()) {
        std::size_t end = sub_path.find(L'\\', start);
        if (end == std::wstring::npos) end = sub_path.size();
        if (end > start) {
            const std::wstring component = sub_path.substr(start, end - start);
            Wow64Key next = OpenName(api, current.valid() ? current.get() : parent,
                                     component.c_str(), access, REG_OPTION_OPEN_LINK);
            if (!next.valid() || Wow64IsLink(next.get())) return Wow64Key();
            current = std::move(next);
        }
        start = end + 1;
    }
    if (current.valid()) return current;
    return OpenName(api, parent, sub_path.c_str(), access, 0);
}

Wow64Key Wow64Key::OpenAsIs(const Wow64RegistryFunctions& api, HKEY parent,
                            const std::wstring& name, REGSAM access) {
    if (!FitsPathBuffer(name)) return Wow64Key();
    return OpenName(api, parent, name.c_str(), access, REG_OPTION_OPEN_LINK);
}

Wow64Key Wow64Key::OpenRoot(const Wow64RegistryFunctions& api, HKEY parent, REGSAM access) {
    return OpenName(api, parent, nullptr, access, 0);
}

Wow64Key Wow64Key::OpenName(const Wow64RegistryFunctions& api, HKEY parent, const wchar_t* sub_path,
                            REGSAM access, DWORD options) {
    Wow64Key opened;
    HKEY handle = nullptr;
    if (api.open_key(parent, sub_path, options, access, &handle) == ERROR_SUCCESS) {
        opened.api_ = &api;
        opened.handle_ = handle;
    }
    return opened;
}

void Wow64Key::Close() noexcept {
    if (handle_ != nullptr) api_->close_key(std::exchange(handle_, nullptr));
}

bool Wow64IsLink(HKEY key) {
    // Asked for by name, not by listing the values: a user's key may hold any number of them.
    // A query on an open handle names no view, so it needs no looked-up function.
    DWORD type = 0;
    const LONG result =
        ::RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr);
    if (result == ERROR_FILE_NOT_FOUND) return false;
    return result != ERROR_SUCCESS || type == REG_LINK;
}

bool FitsPathBuffer(const std::wstring& sub_path) {
    return sub_path.size() < kWow64BufferChars;
}

LONG Wow64SubKeyName(const Wow64RegistryFunctions& api, HKEY key, DWORD index, std::wstring& name) {
    wchar_t buffer[kWow64BufferChars];
    DWORD length = kWow64BufferChars;
    const LONG result =
        api.enum_key(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_SUCCESS) name.assign(buffer, length < kWow64BufferChars ? length : 0);
    return result;
}

std::vector<std::wstring> Wow64SubKeyNames(const Wow64RegistryFunctions& api, HKEY key,
                                           std::size_t limit) {
    return ReadBoundedNames(
               [&api, key](DWORD index, wchar_t* buffer, DWORD* length) {
                   return api.enum_key(key, index, buffer, length, nullptr, nullptr, nullptr,
                                       nullptr);
               },
               kWow64BufferChars, limit)
        .names;
}

BoundedNames Wow64ValueNames(const Wow64RegistryFunctions& api, HKEY key, std::size_t limit) {
    return ReadBoundedNames(
        [&api, key](DWORD index, wchar_t* buffer, DWORD* length) {
            return api.enum_value(key, index, buffer, length, nullptr, nullptr, nullptr, nullptr);
        },
        kWow64BufferChars, limit);
}
