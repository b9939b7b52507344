#include "installer/installer_stores.h"

namespace korve::installer {

const wchar_t* const kHiveShortNames[4] = {L"HKCR", L"HKLM", L"HKCU", L"HKU"};

std::optional<std::uint32_t> InstallerStores::AddRoot(const std::wstring& path,
                                                      const HiveOwner& owner) {
    if (roots.size() >= kMaxRootStores) return std::nullopt;
    roots.push_back({++counter, path, owner, owner});
    return counter;
}

std::optional<std::uint32_t> InstallerStores::AddLocation(const InstallerStore& root,
                                                          const std::wstring& user_data_name) {
    if (locations.size() >= kMaxLocations) return std::nullopt;
    if (user_data_name.empty()) {
        locations.push_back({++counter, root.path + L"\\Installer", root.owner, root.hive});
    } else {
        // What a user's hive says of another SID is still that user's own data.
        const HiveOwner owner =
            root.owner.is_machine() ? HiveOwner::User(user_data_name) : root.owner;
        locations.push_back(
            {++counter, root.path + L"\\Installer\\UserData\\" + user_data_name, owner, root.hive});
    }
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

}  // namespace korve::installer
