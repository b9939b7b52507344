#include "installer/installer_cleanup.h"

const wchar_t* const kProductUpgradeCode = L"{5B2E9C41-7A3D-4F60-9C1E-2D84A7F3B6C5}";

namespace {

bool Applies(const std::set<std::wstring>& entries,
             const std::map<std::wstring, std::set<std::wstring>>& owners,
             const std::wstring& entry, const std::wstring& owner) {
    if (entries.count(entry) == 0) return false;
    const auto found = owners.find(entry);
    if (found == owners.end()) return true;
    return found->second.count(L"") != 0 || (!owner.empty() && found->second.count(owner) != 0);
}

}  // namespace

void AddProductCode(InstallerCleanup& record, const std::wstring& code, const std::wstring& owner) {
    record.product_codes.insert(code);
    record.product_code_owners[code].insert(owner);
}

void AddKeyFile(InstallerCleanup& record, const std::wstring& path, const std::wstring& owner) {
    record.key_files.insert(path);
    record.key_file_owners[path].insert(owner);
}

bool ProductCodeApplies(const InstallerCleanup& record, const std::wstring& code,
                        const std::wstring& owner) {
    return Applies(record.product_codes, record.product_code_owners, code, owner);
}

bool KeyFileApplies(const InstallerCleanup& record, const std::wstring& path,
                    const std::wstring& owner) {
    return Applies(record.key_files, record.key_file_owners, path, owner);
}
