#include "installer/installer_stores.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "channels/program_channels.h"
#include "installer/hive_owner.h"
#include "installer/installer_cleanup.h"
#include "installer/store_locator.h"
#include "installer/variant_policy.h"
#include "quill/registry2/functions.h"
#include "quill/registry2/key.h"
#include "tests/support/captured_lines.h"
#include "tests/support/saved_key.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/scratch_key.h"

namespace korve::installer {
namespace {

using korve::test::ansi_path;
using korve::test::captured_lines;
using korve::test::scratch_key;
using quill::registry2::looked_up_functions;

std::vector<std::wstring> PathsOf(const std::vector<InstallerStore>& stores,
                                  const std::wstring& below) {
    std::vector<std::wstring> paths;
    for (const InstallerStore& store : stores) {
        paths.push_back(store.path.compare(0, below.size(), below) == 0
                            ? store.path.substr(below.size())
                            : store.path);
    }
    return paths;
}

TEST(HiveFromNameTest, MapsTheFourShortNamesExactlyAndAnythingElseToUsers) {
    EXPECT_EQ(HKEY_CLASSES_ROOT, HiveFromName(L"HKCR"));
    EXPECT_EQ(HKEY_LOCAL_MACHINE, HiveFromName(L"HKLM"));
    EXPECT_EQ(HKEY_CURRENT_USER, HiveFromName(L"HKCU"));
    EXPECT_EQ(HKEY_USERS, HiveFromName(L"HKU"));
    for (const wchar_t* other : {L"hklm", L"HKLM ", L"HKC", L"", L"HKEY_LOCAL_MACHINE"}) {
        EXPECT_EQ(HKEY_USERS, HiveFromName(other)) << other;
    }
}

TEST(SplitStorePathTest, SplitsAtTheFirstBackslash) {
    const struct {
        const wchar_t* path;
        const wchar_t* short_name;
        const wchar_t* sub_path;
    } cases[] = {
        {L"HKLM\\SOFTWARE\\Classes", L"HKLM", L"SOFTWARE\\Classes"},
        {L"HKCR\\Installer", L"HKCR", L"Installer"},
        {L"HKCR", L"HKCR", L"HKCR"},
        {L"HKU\\S-1-5-18\\Software", L"HKU", L"S-1-5-18\\Software"},
    };
    for (const auto& c : cases) {
        const StorePathParts parts = SplitStorePath(c.path);
        EXPECT_EQ(c.short_name, parts.short_name) << c.path;
        EXPECT_EQ(c.sub_path, parts.sub_path) << c.path;
    }
}

// The machine's stores name what acts everywhere, a user's only what acts on that user's
// data; a user whose SID cannot be read is no other owner, least of all the machine.
TEST(HiveOwnerTest, StoresLocationsAndWhatTheyNameBelongToTheirHive) {
    const std::optional<std::wstring> sid = CurrentUserSid();
    ASSERT_TRUE(sid);
    const HiveOwner machine = HiveOwner::Machine();
    const HiveOwner me = HiveOwner::User(sid);
    const HiveOwner other = HiveOwner::User(std::wstring(L"S-1-5-21-7"));
    const HiveOwner unreadable = HiveOwner::User(std::nullopt);
    // HKCR's own Installer key comes from the machine's classes; one only in the user's is theirs.
    korve::test::delete_tree_if_present(HKEY_CURRENT_USER, L"Software\\Classes\\KORVETestsOwner");
    korve::test::make_key(HKEY_CURRENT_USER, L"Software\\Classes\\KORVETestsOwner\\Installer");
    const struct {
        const wchar_t* path;
        HiveOwner owner;
    } stores[] = {
        {L"HKLM\\SOFTWARE\\Classes", machine},
        {L"HKLM", machine},
        {L"HKU", machine},
        {L"HKCR", machine},
        {L"HKCR\\KORVETestsOwner", me},
        {L"HKCU", me},
        {L"HKCU\\Software\\X", me},
        {L"HKU\\S-1-5-21-7\\Software\\X", other},
        {L"HKU\\S-1-5-21-7_Classes\\X", other},
        {L"HKU\\.DEFAULT\\Software", HiveOwner::User(std::wstring(L".DEFAULT"))},
    };
    for (const auto& c : stores) EXPECT_TRUE(c.owner == StoreOwner(c.path)) << ansi_path(c.path);
    korve::test::delete_tree_if_present(HKEY_CURRENT_USER, L"Software\\Classes\\KORVETestsOwner");

    // A location holds its root's owner's data, but the machine's UserData\<SID> the SID's;
    // its hive is always the root's.
    const struct {
        HiveOwner root;
        const wchar_t* user_data_name;
        HiveOwner owner;
    } locations[] = {
        {machine, L"", machine},
        {machine, L"S-1-5-21-7", other},
        {me, L"S-1-5-21-7", me},
        {unreadable, L"S-1-5-18", unreadable},
    };
    for (const auto& c : locations) {
        InstallerStores found;
        found.AddRoot(L"HKU\\Root", c.root);
        found.AddLocation(found.roots[0], c.user_data_name);
        EXPECT_TRUE(c.owner == found.locations[0].owner) << ansi_path(c.user_data_name);
        EXPECT_TRUE(c.root == found.locations[0].hive);
    }

    // What an owner's store names acts on the stores of which owners.
    const struct {
        HiveOwner named_by;
        HiveOwner store;
        bool applies;
    } rules[] = {
        {machine, machine, true},       {machine, other, true},       {machine, unreadable, true},
        {other, other, true},           {other, machine, false},      {other, me, false},
        {unreadable, unreadable, true}, {unreadable, machine, false}, {unreadable, me, false},
        {me, unreadable, false},
    };
    for (std::size_t row = 0; row < std::size(rules); ++row) {
        InstallerCleanup record;
        AddProductCode(record, L"CODE", rules[row].named_by);
        EXPECT_EQ(rules[row].applies, ProductCodeApplies(record, L"CODE", rules[row].store))
            << "row " << row;
    }
}

class RootSearchTest : public ::testing::Test {
  protected:
    RootSearchTest() : scratch_(L"installer_stores"), path_(L"HKCU\\" + scratch_.path()) {}

    InstallerStores Search(const VariantPolicy& policy) {
        InstallerStores stores;
        FindInstallerRoots(
            stores, path_,
            quill::registry2::key::open_handle(scratch_.get(), policy.view, policy.functions()),
            policy);
        return stores;
    }
    InstallerStores SearchNative() { return Search(native_); }
    InstallerStores SearchWow64() { return Search(wow64_); }

    looked_up_functions api_;
    const VariantPolicy native_ = NativePolicy(Deletions::disabled);
    const VariantPolicy wow64_ = Wow64Policy(Deletions::disabled, api_);
    scratch_key scratch_;
    const std::wstring path_;
    const std::wstring below_ = path_ + L"\\";
};

TEST_F(RootSearchTest, FindsRootStoresDepthFirstWithTheFormsOwnRulesAndOrder) {
    for (const wchar_t* key : {
             L"A\\Installer\\UpgradeCodes",
             L"B\\INSTALLER\\UpgradeCodes",
             L"C\\installer\\upgradecodes",                // child spelled differently
             L"D\\Installer\\Products",                    // no UpgradeCodes: not a store
             L"D\\Installer\\X\\Installer\\UpgradeCodes",  // inside Installer: not searched
             L"E\\Sub\\Installer\\UpgradeCodes",
             L"M\\Aaa\\Installer\\UpgradeCodes",
             L"M\\Installer\\UpgradeCodes",
             L"M\\Zzz\\Installer\\UpgradeCodes",
             L"Zeta\\Installer\\UpgradeCodes",
             L"alpha\\Installer\\UpgradeCodes",
         }) {
        scratch_.create(key);
    }
    captured_lines native_log(InstallerChannel());
    const InstallerStores native_stores = SearchNative();
    // Sorted by code unit: upper case first; a store comes up with its Installer child.
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"E\\Sub", L"M\\Aaa", L"M", L"M\\Zzz", L"Zeta",
                                         L"alpha"}),
              PathsOf(native_stores.roots, below_));
    ASSERT_EQ(8u, native_log.lines().size());
    EXPECT_EQ("Root: 1  " + ansi_path(below_) + "A", native_log.lines()[0]);
    EXPECT_EQ("Root: 5  " + ansi_path(below_) + "M", native_log.lines()[4]);
    EXPECT_EQ(8u, native_stores.counter);
    EXPECT_TRUE(native_stores.locations.empty());

    captured_lines wow64_log(Wow64InstallerChannel());
    const InstallerStores wow64_stores = SearchWow64();
    // Registry order (case-insensitive here), and UpgradeCodes in any letter case.
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"alpha", L"B", L"C", L"E\\Sub", L"M\\Aaa", L"M",
                                         L"M\\Zzz", L"Zeta"}),
              PathsOf(wow64_stores.roots, below_));
    ASSERT_EQ(9u, wow64_log.lines().size());
    EXPECT_EQ("Root: 4  " + ansi_path(below_) + "C", wow64_log.lines()[3]);
}

TEST_F(RootSearchTest, NumbersRootsThenLocationsInOneSequence) {
    for (const wchar_t* key : {
             L"First\\Installer\\UpgradeCodes",
             L"First\\Installer\\UserData\\S-1-5-18",
             L"First\\Installer\\UserData\\S-1-5-21-7",
             L"Second\\Installer\\UpgradeCodes",
         }) {
        scratch_.create(key);
    }
    const std::vector<std::string> expected_lines = {
        "UserData: 1  3  Installer",
        "UserData: 1  4  Installer\\UserData\\S-1-5-18",
        "UserData: 1  5  Installer\\UserData\\S-1-5-21-7",
        "UserData: 2  6  Installer",
    };
    const std::vector<std::wstring> expected_paths = {
        L"First\\Installer", L"First\\Installer\\UserData\\S-1-5-18",
        L"First\\Installer\\UserData\\S-1-5-21-7", L"Second\\Installer"};

    InstallerStores native_stores = SearchNative();
    captured_lines native_log(InstallerChannel());
    AddInstallerLocations(native_stores, native_);
    EXPECT_EQ(expected_lines, native_log.lines());
    EXPECT_EQ(expected_paths, PathsOf(native_stores.locations, below_));

    InstallerStores wow64_stores = SearchWow64();
    captured_lines wow64_log(Wow64InstallerChannel());
    AddInstallerLocations(wow64_stores, wow64_);
    EXPECT_EQ(expected_lines, wow64_log.lines());
    EXPECT_EQ(expected_paths, PathsOf(wow64_stores.locations, below_));

    for (const InstallerStores* stores : {&native_stores, &wow64_stores}) {
        ASSERT_EQ(2u, stores->roots.size());
        EXPECT_EQ(1u, stores->roots[0].number);
        EXPECT_EQ(2u, stores->roots[1].number);
        ASSERT_EQ(4u, stores->locations.size());
        for (std::uint32_t i = 0; i < 4; ++i) EXPECT_EQ(i + 3, stores->locations[i].number);
        EXPECT_EQ(6u, stores->counter);
    }
}

// A user's hive adds root stores, user identifiers and deep keys beyond the bounds: both forms
// keep what fits, say once per bound that they left the rest out, and find the rest as before.
TEST_F(RootSearchTest, BoundsLeaveOutWhatAHiveHoldsBeyondThemWithOneLineEach) {
    for (std::size_t n = 0; n <= kMaxRootStores; ++n) {
        scratch_.create(L"R" + std::to_wstring(10000 + n) + L"\\Installer\\UpgradeCodes");
    }
    for (std::size_t n = 0; n < kMaxLocations; ++n) {
        scratch_.create(L"R10000\\Installer\\UserData\\S-" + std::to_wstring(n));
    }
    std::wstring deep;
    while (deep.size() <= kMaxStorePathChars) deep += std::wstring(200, L'z') + L"\\";
    scratch_.create(deep + L"Installer\\UpgradeCodes");
    const std::vector<std::string> cut_lines = {
        "More than 1024 root stores: the rest not kept",
        "Keys with paths longer than 1024 characters not searched",
        "More than 8192 locations: the rest not kept"};
    const auto expect_bounded = [&](const InstallerStores& stores, const captured_lines& log) {
        EXPECT_EQ(kMaxRootStores, stores.roots.size());
        EXPECT_EQ(kMaxLocations, stores.locations.size());
        std::vector<std::string> cuts;
        for (const std::string& line : log.lines()) {
            if (line.rfind("Root: ", 0) != 0 && line.rfind("UserData: ", 0) != 0)
                cuts.push_back(line);
        }
        EXPECT_EQ(cut_lines, cuts);
    };
    {
        captured_lines log(InstallerChannel());
        InstallerStores stores = SearchNative();
        AddInstallerLocations(stores, native_);
        expect_bounded(stores, log);
    }
    captured_lines log(Wow64InstallerChannel());
    InstallerStores stores = SearchWow64();
    AddInstallerLocations(stores, wow64_);
    expect_bounded(stores, log);
}

TEST(InstallerLocationsTest, RootStoreDirectlyBelowAHiveGetsItsInstallerLocationOnly) {
    // Even a real UserData key below the hive is not looked for there: the sub-path of such a
    // store is the short name itself.
    ASSERT_EQ(ERROR_SUCCESS, korve::test::delete_tree_if_present(HKEY_CURRENT_USER, L"Installer"));
    HKEY created = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Installer\\UserData\\S-1-5-18", 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &created, nullptr));
    ::RegCloseKey(created);

    InstallerStores native_stores;
    native_stores.AddRoot(L"HKCU");
    AddInstallerLocations(native_stores, NativePolicy(Deletions::disabled));
    InstallerStores wow64_stores;
    wow64_stores.AddRoot(L"HKCU");
    looked_up_functions api;
    AddInstallerLocations(wow64_stores, Wow64Policy(Deletions::disabled, api));

    korve::test::delete_tree_if_present(HKEY_CURRENT_USER, L"Installer");
    for (const InstallerStores* stores : {&native_stores, &wow64_stores}) {
        ASSERT_EQ(1u, stores->locations.size());
        EXPECT_EQ(L"HKCU\\Installer", stores->locations[0].path);
        EXPECT_EQ(2u, stores->locations[0].number);
    }
}

TEST_F(RootSearchTest, Wow64SkipsUserDataPathsThatDoNotFitItsBuffer) {
    // Sub-path + "\Installer\UserData" of 299 characters fits the 300-character buffer with
    // its terminating zero; 300 does not.
    const std::size_t fixed = scratch_.path().size() + 1 + std::wcslen(L"\\Installer\\UserData");
    for (const std::size_t total : {299u, 300u}) {
        SCOPED_TRACE(total);
        const std::wstring name(total - fixed, total == 299u ? L'f' : L'g');
        scratch_.create(name + L"\\Installer\\UpgradeCodes");
        scratch_.create(name + L"\\Installer\\UserData\\S-1-5-18");

        InstallerStores native_stores = SearchNative();
        AddInstallerLocations(native_stores, native_);
        InstallerStores wow64_stores = SearchWow64();
        AddInstallerLocations(wow64_stores, wow64_);

        const std::vector<std::wstring> both = {name + L"\\Installer",
                                                name + L"\\Installer\\UserData\\S-1-5-18"};
        EXPECT_EQ(both, PathsOf(native_stores.locations, below_));
        EXPECT_EQ(total == 299u ? both : std::vector<std::wstring>{both[0]},
                  PathsOf(wow64_stores.locations, below_));
        korve::test::delete_tree_if_present(scratch_.get(), name);
    }
}

}  // namespace
}  // namespace korve::installer
