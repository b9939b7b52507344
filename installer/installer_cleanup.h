#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "installer/installer_stores.h"

namespace korve::installer {

// The working record of one run of the installer database cleaning. The entry owns it; the
// cleaning variant fills it. The sets are ordered by UTF-16 code unit and every phase walks
// them in that order.
struct InstallerCleanup {
    InstallerStores stores;
    // Packed upgrade codes to remove.
    std::set<std::wstring> upgrade_codes;
    // Packed product codes found under those upgrade codes.
    std::set<std::wstring> product_codes;
    // Key paths of the components removed, as named in SharedDLLs.
    std::set<std::wstring> key_files;
    // Who named each code and key file: the owners (InstallerStore::owner) of the stores it
    // came from. One that the machine named, or that is missing here, applies to every store;
    // one that only users named applies to those users' stores only.
    std::map<std::wstring, std::set<HiveOwner>> product_code_owners;
    std::map<std::wstring, std::set<HiveOwner>> key_file_owners;
};

// Value names read per UpgradeCodes key: a real upgrade code names a few products, a user's
// hive may name any number.
constexpr std::size_t kMaxNamesPerUpgradeCode = 256;

// Records a code together with the owner of the store that named it.
void AddProductCode(InstallerCleanup& record, const std::wstring& code, const HiveOwner& owner);

// Records the key paths of a component of `location` that the product's client values
// `freeing_codes` were all of. Key paths read in a user's hive are that user's, whatever codes
// freed them; in the machine's hive they are the machine's when only codes that the machine
// named freed them, else the location owner's.
void AddKeyFiles(InstallerCleanup& record, const std::set<std::wstring>& paths,
                 const InstallerStore& location, const std::vector<std::wstring>& freeing_codes);

// True when the code (key file) is in the record and may act on a store of `owner`.
bool ProductCodeApplies(const InstallerCleanup& record, const std::wstring& code,
                        const HiveOwner& owner);
bool KeyFileApplies(const InstallerCleanup& record, const std::wstring& path,
                    const HiveOwner& owner);

// The product's upgrade code.
extern const wchar_t* const kProductUpgradeCode;

}  // namespace korve::installer
