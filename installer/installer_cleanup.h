#pragma once

#include <map>
#include <set>
#include <string>

#include "installer/installer_stores.h"

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
    // came from, "" for a machine store. One that the machine named, or that is missing here,
    // applies to every store; one that only users named applies to those users' stores only.
    std::map<std::wstring, std::set<std::wstring>> product_code_owners;
    std::map<std::wstring, std::set<std::wstring>> key_file_owners;
};

// Records a code or key file together with the owner of the store that named it.
void AddProductCode(InstallerCleanup& record, const std::wstring& code, const std::wstring& owner);
void AddKeyFile(InstallerCleanup& record, const std::wstring& path, const std::wstring& owner);

// True when the code (key file) is in the record and may act on a store of `owner`.
bool ProductCodeApplies(const InstallerCleanup& record, const std::wstring& code,
                        const std::wstring& owner);
bool KeyFileApplies(const InstallerCleanup& record, const std::wstring& path,
                    const std::wstring& owner);

// The product's upgrade code.
extern const wchar_t* const kProductUpgradeCode;
