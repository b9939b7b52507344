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
    return OpenName(api, parent, sub_path.c_str(), access);
}

Wow64Key Wow64Key::OpenRoot(const Wow64RegistryFunctions& api, HKEY parent, REGSAM access) {
    return OpenName(api, parent, nullptr, access);
}

Wow64Key Wow64Key::OpenName(const Wow64RegistryFunctions& api, HKEY parent, const wchar_t* sub_path,
                            REGSAM access) {
    Wow64Key opened;
    HKEY handle = nullptr;
    if (api.open_key(parent, sub_path, 0, access, &handle) == ERROR_SUCCESS) {
        opened.api_ = &api;
        opened.handle_ = handle;
    }
    return opened;
}

void Wow64Key::Close() noexcept {
    if (handle_ != nullptr) api_->close_key(std::exchange(handle_, nullptr));
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

std::vector<std::wstring> Wow64SubKeyNames(const Wow64RegistryFunctions& api, HKEY key) {
    std::vector<std::wstring> names;
    std::wstring name;
    for (DWORD index = 0; Wow64SubKeyName(api, key, index, name) == ERROR_SUCCESS; ++index) {
        names.push_back(name);
    }
    return names;
}

std::vector<std::wstring> Wow64ValueNames(const Wow64RegistryFunctions& api, HKEY key) {
    std::vector<std::wstring> names;
    wchar_t buffer[kWow64BufferChars];
    for (DWORD index = 0;; ++index) {
        DWORD length = kWow64BufferChars;
        if (api.enum_value(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            return names;
        }
        names.emplace_back(buffer, length < kWow64BufferChars ? length : 0);
    }
}
