#include "installer/installer_stores.h"

const wchar_t* const kHiveShortNames[4] = {L"HKCR", L"HKLM", L"HKCU", L"HKU"};

std::uint32_t InstallerStores::AddRoot(const std::wstring& path, const std::wstring& owner) {
    roots.push_back({++counter, path, owner});
    return counter;
}

std::uint32_t InstallerStores::AddLocation(const std::wstring& path, const std::wstring& owner) {
    locations.push_back({++counter, path, owner});
    return counter;
}

HKEY HiveFromName(const std::wstring& short_name) {
    if (short_name == L"HKCR") return HKEY_CLASSES_ROOT;
    if (short_name == L"HKLM") return HKEY_LOCAL_MACHINE;
    if (short_name == L"HKCU") return HKEY_CURRENT_USER;
    return HKEY_USERS;
}

StorePathParts SplitStorePath(const std::wstring& path) {
    const std::size_t backslash = path.find(L'\\');
    if (backslash == std::wstring::npos) return {path, path};
    return {path.substr(0, backslash), path.substr(backslash + 1)};
}
