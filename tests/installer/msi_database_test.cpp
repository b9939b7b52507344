// Both cleaning variants against Wine's real Windows Installer: product V (the product's
// upgrade code) and product W (sharing one component with V) are installed with msiexec from
// packages built by wixl, then V is removed by the cleaning.

#include <windows.h>

#include <msi.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "channels/program_channels.h"
#include "installer/clean_installer_database.h"
#include "installer/hive_owner.h"
#include "installer/packed_guid.h"
#include "installer/variant_policy.h"
#include "quill/registry2/functions.h"
#include "quill/handle.h"
#include "tests/support/captured_lines.h"
#include "tests/support/child_process.h"
#include "tests/support/saved_key.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/scratch_key.h"

namespace korve::installer {
namespace {

using korve::test::ansi_path;
using korve::test::captured_lines;

const wchar_t* const kProductV = L"{0C6A7E52-3F1B-4D8A-9E27-6B1D4C8F0A31}";
const wchar_t* const kProductW = L"{0C6A7E52-3F1B-4D8A-9E27-6B1D4C8F0A32}";
const wchar_t* const kUpgradeCodeW = L"{7D4F1A28-5C3E-4B19-A6D0-3E92B5C7F814}";
const wchar_t* const kComponentVFirst = L"{A1F3C2D4-1111-4A5B-8C6D-7E8F9A0B1C2D}";
const wchar_t* const kComponentVSecond = L"{A1F3C2D4-2222-4A5B-8C6D-7E8F9A0B1C2D}";
const wchar_t* const kComponentShared = L"{A1F3C2D4-3333-4A5B-8C6D-7E8F9A0B1C2D}";
const wchar_t* const kComponentWOwn = L"{A1F3C2D4-4444-4A5B-8C6D-7E8F9A0B1C2D}";

// The x64 packages (folder below Program Files, key file counters in the 64-bit view) and
// the x86 ones (below Program Files (x86), counters in the 32-bit view). Both register their
// installer data in the 64-bit view.
struct Packages {
    const char* suffix;
    std::string install_folder;
    std::wstring folder;
    REGSAM counter_view;
};
const Packages kX64Packages = {"", "C:\\Program Files\\KORVETestSuite",
                               L"C:\\Program Files\\KORVETestSuite\\", KEY_WOW64_64KEY};
const Packages kX86Packages = {"_x86", "C:\\Program Files (x86)\\KORVETestSuite",
                               L"C:\\Program Files (x86)\\KORVETestSuite\\", KEY_WOW64_32KEY};
// The x64 program runs the native variant; the x86 program runs under WOW64 (the test prefix
// is a 64-bit Windows) and so the WOW64 variant, which alone sees the 64-bit view there.
constexpr bool kNativeVariantRunsHere = sizeof(void*) == 8;
const wchar_t* const kKeyFiles[] = {L"v_first.dll", L"v_second.dll", L"shared.dll", L"w_own.dll"};

const wchar_t* const kSharedDlls = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::wstring kMachineComponents =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components\\";

INSTALLSTATE ProductState(const wchar_t* product) {
    return ::MsiQueryProductStateW(product);
}

bool RunMsiexec(const std::string& arguments) {
    const korve::test::child_result result =
        korve::test::run_child("msiexec " + arguments + " /qn", "", 180000);
    EXPECT_TRUE(result.finished) << arguments << "\n" << result.output;
    EXPECT_EQ(0u, result.exit_code) << arguments << "\n" << result.output;
    return result.finished && result.exit_code == 0;
}

std::set<std::wstring> ValueNames(HKEY root, const std::wstring& path,
                                  REGSAM view = KEY_WOW64_64KEY) {
    std::set<std::wstring> names;
    quill::unique_hkey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS)
        return names;
    wchar_t name[300];
    for (DWORD index = 0;; ++index) {
        DWORD length = 300;
        if (::RegEnumValueW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            return names;
        }
        names.emplace(name, length);
    }
}

bool KeyExists(HKEY root, const std::wstring& path) {
    quill::unique_hkey key;
    return ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) ==
           ERROR_SUCCESS;
}

void SetCounter(const std::wstring& name, REGSAM view) {
    quill::unique_hkey key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSharedDlls, 0, nullptr, 0,
                                               KEY_SET_VALUE | view, nullptr, key.put(), nullptr));
    const DWORD one = 1;
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(key.get(), name.c_str(), 0, REG_DWORD,
                                              reinterpret_cast<const BYTE*>(&one), sizeof(one)));
}

void DeleteCounter(const std::wstring& name, REGSAM view) {
    quill::unique_hkey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSharedDlls, 0, KEY_SET_VALUE | view, key.put()) ==
        ERROR_SUCCESS) {
        ::RegDeleteValueW(key.get(), name.c_str());
    }
}

class MsiDatabaseTest : public ::testing::Test {
  protected:
    explicit MsiDatabaseTest(const Packages& packages = kX64Packages) : packages_(packages) {}
    void SetUp() override { InstallBothProducts(); }
    void TearDown() override { RemoveBothProducts(); }

    // Counters that exist before the installation make Windows Installer count the key
    // files, as a SharedDllRefCount component would.
    void InstallBothProducts() {
        RemoveBothProducts();
        for (const wchar_t* file : kKeyFiles) {
            ASSERT_NO_FATAL_FAILURE(SetCounter(packages_.folder + file, packages_.counter_view));
        }
        for (const char* product : {"v", "w"}) {
            ASSERT_TRUE(RunMsiexec(
                "/i \"" +
                korve::test::beside_test_executable(std::string("korve_product_") + product +
                                                    packages_.suffix + ".msi") +
                "\""));
        }
        ASSERT_EQ(INSTALLSTATE_DEFAULT, ProductState(kProductV));
        ASSERT_EQ(INSTALLSTATE_DEFAULT, ProductState(kProductW));
        ASSERT_TRUE(HasCounter(L"v_first.dll"));
    }

    // Uninstalls what is still registered and deletes what the forced removal leaves of V on
    // purpose (its files, feature and uninstall entries belong to other steps).
    void RemoveBothProducts() {
        if (ProductState(kProductW) != INSTALLSTATE_UNKNOWN)
            RunMsiexec(std::string("/x ") + ansi_path(kProductW));
        if (ProductState(kProductV) != INSTALLSTATE_UNKNOWN)
            RunMsiexec(std::string("/x ") + ansi_path(kProductV));
        korve::test::delete_tree_if_present(
            HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Installer\\Features\\" + PackGuid(kProductV),
            KEY_WOW64_64KEY);
        // An x86 package's uninstall entry is in the 32-bit view, as its counters are.
        korve::test::delete_tree_if_present(
            HKEY_LOCAL_MACHINE,
            L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + std::wstring(kProductV),
            packages_.counter_view);
        for (const wchar_t* file : kKeyFiles) {
            DeleteCounter(packages_.folder + file, packages_.counter_view);
        }
        if (korve::test::path_exists(packages_.install_folder))
            korve::test::remove_recursively(packages_.install_folder);
    }

    bool HasCounter(const wchar_t* file) const {
        return ValueNames(HKEY_LOCAL_MACHINE, kSharedDlls, packages_.counter_view)
                   .count(packages_.folder + file) != 0;
    }

    void ExpectVRemovedAndWKept(const char* variant) {
        SCOPED_TRACE(variant);
        EXPECT_EQ(INSTALLSTATE_UNKNOWN, ProductState(kProductV));
        wchar_t related[39] = {};
        EXPECT_EQ(static_cast<UINT>(ERROR_NO_MORE_ITEMS),
                  ::MsiEnumRelatedProductsW(kProductUpgradeCode, 0, 0, related));

        EXPECT_EQ(INSTALLSTATE_DEFAULT, ProductState(kProductW));
        EXPECT_EQ(static_cast<UINT>(ERROR_SUCCESS),
                  ::MsiEnumRelatedProductsW(kUpgradeCodeW, 0, 0, related));
        EXPECT_EQ(std::wstring(kProductW), related);
        for (const wchar_t* component : {kComponentShared, kComponentWOwn}) {
            wchar_t path[MAX_PATH] = {};
            DWORD size = MAX_PATH;
            EXPECT_EQ(INSTALLSTATE_LOCAL, ::MsiGetComponentPathW(kProductW, component, path, &size))
                << ansi_path(component);
        }

        EXPECT_EQ(std::set<std::wstring>{PackGuid(kProductW)},
                  ValueNames(HKEY_LOCAL_MACHINE, kMachineComponents + PackGuid(kComponentShared)));
        for (const wchar_t* component : {kComponentVFirst, kComponentVSecond}) {
            EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMachineComponents + PackGuid(component)))
                << ansi_path(component);
        }
        EXPECT_FALSE(HasCounter(L"v_first.dll"));
        EXPECT_FALSE(HasCounter(L"v_second.dll"));
        EXPECT_TRUE(HasCounter(L"shared.dll"));
        EXPECT_TRUE(HasCounter(L"w_own.dll"));
    }

    std::set<std::wstring> KeyFilesOfV() const {
        return {packages_.folder + L"v_first.dll", packages_.folder + L"v_second.dll"};
    }

    InstallerCleanup RunWow64Variant(std::vector<std::string>& lines) {
        InstallerCleanup record;
        captured_lines log(Wow64InstallerChannel());
        quill::registry2::looked_up_functions api;
        CleanInstallerDatabase(record, Wow64Policy(Deletions::enabled, api));
        lines = log.lines();
        return record;
    }

    const Packages packages_;
};

std::vector<std::string> KeyFileLines(const InstallerCleanup& record,
                                      const std::vector<InstallerStore>& roots) {
    std::vector<std::string> lines;
    for (const InstallerStore& root : roots) {
        for (const std::wstring& file : record.key_files) {
            lines.push_back(std::to_string(root.number) + "  " + ansi_path(file));
        }
    }
    return lines;
}

TEST_F(MsiDatabaseTest, BothVariantsRemoveVAndLeaveWWithItsShareOfTheCommonComponent) {
    InstallerCleanup native_record;
    std::vector<std::string> native_lines;
    if (kNativeVariantRunsHere) {
        {
            captured_lines log(InstallerChannel());
            CleanInstallerDatabase(native_record, NativePolicy(Deletions::enabled));
            native_lines = log.lines();
        }
        ExpectVRemovedAndWKept("native");
        EXPECT_EQ(std::set<std::wstring>{PackGuid(kProductV)}, native_record.product_codes);
        EXPECT_EQ(KeyFilesOfV(), native_record.key_files);
        for (const std::wstring& removed :
             {std::wstring(kProductUpgradeCode), std::wstring(kProductV),
              std::wstring(kComponentVFirst), std::wstring(kComponentVSecond)}) {
            bool logged = false;
            for (const std::string& line : native_lines) {
                logged = logged || line.find(ansi_path(removed)) != std::string::npos;
            }
            EXPECT_TRUE(logged) << ansi_path(removed);
        }
        InstallBothProducts();
    }

    std::vector<std::string> wow64_lines;
    const InstallerCleanup wow64_record = RunWow64Variant(wow64_lines);
    ExpectVRemovedAndWKept("WOW64");
    EXPECT_EQ(KeyFilesOfV(), wow64_record.key_files);

    // The same lines up to the key files; then the native variant logs the counters it
    // deleted, the WOW64 variant every key file for every root store.
    const std::vector<std::string> wow64_before =
        korve::test::lines_between(wow64_lines, wow64_lines.front(), "Key Files Removed");
    const std::size_t wow64_key_files = wow64_before.size() + 2;
    ASSERT_LE(wow64_key_files, wow64_lines.size());
    if (kNativeVariantRunsHere) {
        const std::vector<std::string> native_before =
            korve::test::lines_between(native_lines, native_lines.front(), "Key Files Removed");
        EXPECT_EQ(native_before, wow64_before);
        const std::size_t native_key_files = native_before.size() + 2;
        ASSERT_LE(native_key_files, native_lines.size());
        std::vector<InstallerStore> with_counters;
        for (const InstallerStore& root : native_record.stores.roots) {
            const StorePathParts parts = SplitStorePath(root.path + L"\\SharedDLLs");
            if (KeyExists(HiveFromName(parts.short_name), parts.sub_path)) {
                with_counters.push_back(root);
            }
        }
        EXPECT_EQ(
            KeyFileLines(native_record, with_counters),
            std::vector<std::string>(native_lines.begin() + native_key_files, native_lines.end()));
    }
    EXPECT_EQ(KeyFileLines(wow64_record, wow64_record.stores.roots),
              std::vector<std::string>(wow64_lines.begin() + wow64_key_files, wow64_lines.end()));
}

// A 32-bit install on 64-bit Windows: its installer data is in the 64-bit view, but its key
// files are counted in the 32-bit view's SharedDLLs. The x86 program's WOW64 variant removes
// both; W keeps its registration and its counters.
class MsiDatabaseX86PackagesTest : public MsiDatabaseTest {
  protected:
    MsiDatabaseX86PackagesTest() : MsiDatabaseTest(kX86Packages) {}
    void SetUp() override {
        if (kNativeVariantRunsHere) GTEST_SKIP() << "the x86 program's case: WOW64 variant";
        MsiDatabaseTest::SetUp();
    }
};

TEST_F(MsiDatabaseX86PackagesTest, Wow64VariantRemovesVWithItsCountersInThe32BitView) {
    std::vector<std::string> lines;
    const InstallerCleanup record = RunWow64Variant(lines);
    ExpectVRemovedAndWKept("WOW64, x86 packages");
    EXPECT_EQ(KeyFilesOfV(), record.key_files);
}

// The user's own hive names the product's upgrade code twice (in a store of its own and in
// its classes), listing W's product code beside a per-user product P of its own, which is
// also registered under the machine's UserData\<SID>. P goes from the user's stores and that
// UserData; W, named only by the user's hive, keeps its whole registration. The user's store
// also holds a registration of V and a component whose only client is V with the key path of
// another product's counter, planted in both views of the machine's SharedDLLs: the user's
// V goes, the counter stays.
TEST_F(MsiDatabaseTest, CodesAndKeyPathsFromAUsersHiveActOnlyOnThatUsersInstallerData) {
    const std::wstring sid = CurrentUserSid().value_or(L"");
    ASSERT_FALSE(sid.empty());
    const std::wstring counted = L"C:\\KORVETests\\other_product.dll";
    const std::wstring user_v = L"Installer\\Products\\" + PackGuid(kProductV);
    const std::wstring upgrade = L"Installer\\UpgradeCodes\\" + PackGuid(kProductUpgradeCode);
    const std::wstring packed_p = L"FEDCBA9876543210FEDCBA9876543210";
    const std::wstring component_p = L"0123456789ABCDEF0123456789ABCDEF";
    const std::wstring user_store = L"Software\\KORVETests\\UserInstaller\\";
    const std::wstring user_classes = L"Software\\Classes\\KORVETestsUserClasses\\";
    const std::wstring user_data =
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\" + sid + L"\\";
    const auto without_backslash = [](const std::wstring& path) {
        return path.substr(0, path.size() - 1);
    };
    const korve::test::saved_key saved[] = {{HKEY_CURRENT_USER, without_backslash(user_store)},
                                            {HKEY_CURRENT_USER, without_backslash(user_classes)},
                                            {HKEY_LOCAL_MACHINE, without_backslash(user_data)}};
    const auto plant = [&] {
        for (const std::wstring& store : {user_store, user_classes}) {
            korve::test::set_string_value(HKEY_CURRENT_USER, store + upgrade, PackGuid(kProductW),
                                          L"");
        }
        korve::test::set_string_value(HKEY_CURRENT_USER, user_store + upgrade, packed_p, L"");
        korve::test::make_key(HKEY_CURRENT_USER, user_store + user_v);
        korve::test::set_string_value(HKEY_CURRENT_USER,
                                      user_store + L"Installer\\Components\\" + component_p,
                                      PackGuid(kProductV), counted);
        for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) SetCounter(counted, view);
        korve::test::make_key(HKEY_CURRENT_USER,
                              user_store + L"Installer\\Products\\" + packed_p + L"\\SourceList");
        korve::test::make_key(HKEY_LOCAL_MACHINE,
                              user_data + L"Products\\" + packed_p + L"\\InstallProperties");
        korve::test::set_string_value(HKEY_LOCAL_MACHINE, user_data + L"Components\\" + component_p,
                                      packed_p, L"C:\\Users\\p.dll");
    };
    const auto expect_p_removed = [&](const char* variant) {
        SCOPED_TRACE(variant);
        for (const std::wstring& store : {user_store, user_classes})
            EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, store + upgrade)) << ansi_path(store);
        EXPECT_FALSE(
            KeyExists(HKEY_CURRENT_USER, user_store + L"Installer\\Products\\" + packed_p));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, user_data + L"Products\\" + packed_p));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, user_data + L"Components\\" + component_p));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, user_store + user_v));
        for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            EXPECT_EQ(1u, ValueNames(HKEY_LOCAL_MACHINE, kSharedDlls, view).count(counted))
                << "view " << view;
            DeleteCounter(counted, view);
        }
    };

    if (kNativeVariantRunsHere) {
        plant();
        InstallerCleanup native_record;
        {
            captured_lines log(InstallerChannel());
            CleanInstallerDatabase(native_record, NativePolicy(Deletions::enabled));
        }
        ExpectVRemovedAndWKept("native");
        expect_p_removed("native");
        EXPECT_TRUE(native_record.product_codes.count(PackGuid(kProductW)));
        EXPECT_FALSE(ProductCodeApplies(native_record, PackGuid(kProductW), HiveOwner::Machine()));
        EXPECT_TRUE(ProductCodeApplies(native_record, PackGuid(kProductW), HiveOwner::User(sid)));

        InstallBothProducts();
    }
    plant();
    InstallerCleanup wow64_record;
    {
        captured_lines log(Wow64InstallerChannel());
        quill::registry2::looked_up_functions api;
        CleanInstallerDatabase(wow64_record, Wow64Policy(Deletions::enabled, api));
    }
    ExpectVRemovedAndWKept("WOW64");
    expect_p_removed("WOW64");
}

}  // namespace
}  // namespace korve::installer
