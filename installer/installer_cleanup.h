#pragma once

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
};

// The product's upgrade code.
extern const wchar_t* const kProductUpgradeCode;
