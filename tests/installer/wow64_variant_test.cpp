#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "channels/program_channels.h"
#include "installer/clean_installer_database.h"
#include "installer/store_locator.h"
#include "installer/variant_policy.h"
#include "quill/registry2/functions.h"
#include "tests/support/captured_lines.h"

namespace korve::installer {
namespace {

using korve::test::captured_lines;
using quill::registry2::looked_up_functions;

const std::string kBanner = "**** Cleaning Installation Database ****";

TEST(Wow64VariantTest, AMissingRegistryFunctionEndsItWithTheErrorLines) {
    looked_up_functions api("USER32.DLL");
    EXPECT_FALSE(api.complete());
    InstallerCleanup record;
    captured_lines log(Wow64InstallerChannel());
    CleanInstallerDatabase(record, Wow64Policy(Deletions::enabled, api));
    EXPECT_EQ((std::vector<std::string>{
                  kBanner, "Error in GetProcAddress of function for work with registry",
                  std::string(50, '='), ""}),
              log.lines());
    EXPECT_TRUE(record.upgrade_codes.empty());
}

// The registry refuses every hive itself, as a system locked down against the remover would.
LONG WINAPI OpenAnythingButAHive(HKEY parent, LPCWSTR sub_key, DWORD options, REGSAM access,
                                 PHKEY result) {
    if (sub_key == nullptr || *sub_key == L'\0') return ERROR_ACCESS_DENIED;
    return ::RegOpenKeyExW(parent, sub_key, options, access, result);
}

TEST(Wow64VariantTest, HivesThatCannotBeOpenedAreNamedOnlyForClassesRootAndLocalMachine) {
    looked_up_functions api;
    ASSERT_TRUE(api.complete());
    api.open_key = OpenAnythingButAHive;
    InstallerStores stores;
    captured_lines log(Wow64InstallerChannel());
    LocateInstallerStores(stores, Wow64Policy(Deletions::enabled, api));
    EXPECT_EQ(
        (std::vector<std::string>{"", "Locating Windows Installer Root Stores",
                                  std::string(50, '='), "RegOpenKeyEx HKEY_CLASSES_ROOT failed",
                                  "RegOpenKeyEx HKEY_LOCAL_MACHINE failed"}),
        log.lines());
    EXPECT_TRUE(stores.roots.empty());
}

// With the product nowhere registered, both variants write their headings and the stores
// they found, and not one removal line.
TEST(CleanInstallerDatabaseTest, AnUnregisteredProductGivesHeadingsAndStoresOnly) {
    InstallerCleanup native_record;
    captured_lines native_log(InstallerChannel());
    CleanInstallerDatabase(native_record, NativePolicy(Deletions::enabled));

    looked_up_functions api;
    InstallerCleanup wow64_record;
    captured_lines wow64_log(Wow64InstallerChannel());
    CleanInstallerDatabase(wow64_record, Wow64Policy(Deletions::enabled, api));
    EXPECT_FALSE(api.complete()) << "the variant releases its table";

    const std::vector<std::string> headings = {"", "Upgrade Codes Removed",   std::string(50, '='),
                                               "", "Product Codes Removed",   std::string(49, '='),
                                               "", "Component Codes Removed", std::string(49, '='),
                                               "", "Key Files Removed",       std::string(49, '=')};
    for (const captured_lines* log : {&native_log, &wow64_log}) {
        const std::vector<std::string>& lines = log->lines();
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(kBanner, lines[0]);
        EXPECT_EQ("", lines[1]);
        EXPECT_EQ("Locating Windows Installer Root Stores", lines[2]);
        EXPECT_EQ(std::string(50, '='), lines[3]);
        ASSERT_GE(lines.size(), 4 + headings.size());
        EXPECT_EQ(headings, std::vector<std::string>(lines.end() - headings.size(), lines.end()));
        for (std::size_t i = 4; i < lines.size() - headings.size(); ++i) {
            EXPECT_TRUE(lines[i].rfind("Root: ", 0) == 0 || lines[i].rfind("UserData: ", 0) == 0)
                << lines[i];
        }
    }
    if (sizeof(void*) == 8) {
        EXPECT_EQ(native_record.stores.roots.size(), wow64_record.stores.roots.size());
        EXPECT_EQ(native_record.stores.locations.size(), wow64_record.stores.locations.size());
    } else {
        // x86 under WOW64: the native form sees the 32-bit view, the WOW64 form the 64-bit
        // view, where the installer keeps its machine store once anything is installed.
        std::set<std::wstring> wow64_roots;
        for (const InstallerStore& root : wow64_record.stores.roots) wow64_roots.insert(root.path);
        for (const InstallerStore& root : native_record.stores.roots) {
            EXPECT_EQ(1u, wow64_roots.count(root.path));
        }
    }
    EXPECT_TRUE(native_record.product_codes.empty());
    EXPECT_TRUE(wow64_record.key_files.empty());
}

}  // namespace
}  // namespace korve::installer
