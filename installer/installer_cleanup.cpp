#include "installer/installer_cleanup.h"

namespace korve::installer {

const wchar_t* const kProductUpgradeCode = L"{5B2E9C41-7A3D-4F60-9C1E-2D84A7F3B6C5}";

namespace {

bool Applies(const std::set<std::wstring>& entries,
             const std::map<std::wstring, std::set<HiveOwner>>& owners, const std::wstring& entry,
             const HiveOwner& owner) {
    if (entries.count(entry) == 0) return false;
    const auto found = owners.find(entry);
    if (found == owners.end()) return true;
    return found->second.count(HiveOwner::Machine()) != 0 || found->second.count(owner) != 0;
}

}  // namespace

void AddProductCode(InstallerCleanup& record, const std::wstring& code, const HiveOwner& owner) {
    record.product_codes.insert(code);
    record.product_code_owners[code].insert(owner);
}

void AddKeyFiles(InstallerCleanup& record, const std::set<std::wstring>& paths,
                 const InstallerStore& location, const std::vector<std::wstring>& freeing_codes) {
    bool machine_codes_only = location.hive.is_machine();
    for (const std::wstring& code : freeing_codes) {
        machine_codes_only =
            machine_codes_only && ProductCodeApplies(record, code, HiveOwner::Machine());
    }
    const HiveOwner owner = machine_codes_only ? HiveOwner::Machine() : location.owner;
    for (const std::wstring& path : paths) {
        record.key_files.insert(path);
        record.key_file_owners[path].insert(owner);
    }
}

bool ProductCodeApplies(const InstallerCleanup& record, const std::wstring& code,
                        const HiveOwner& owner) {
    return Applies(record.product_codes, record.product_code_owners, code, owner);
}

bool KeyFileApplies(const InstallerCleanup& record, const std::wstring& path,
                    const HiveOwner& owner) {
    return Applies(record.key_files, record.key_file_owners, path, owner);
}

}  // namespace korve::installer
