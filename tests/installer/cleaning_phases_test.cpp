#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "channels/program_channels.h"
#include "installer/cleaning_phases.h"
#include "installer/installer_cleanup.h"
#include "installer/packed_guid.h"
#include "installer/store_locator.h"
#include "installer/variant_policy.h"
#include "quill/registry2/functions.h"
#include "quill/registry2/key.h"
#include "tests/support/captured_lines.h"
#include "tests/support/registry_link.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/scratch_key.h"

namespace korve::installer {
namespace {

using korve::test::captured_lines;
using korve::test::registry_link;
using korve::test::scratch_key;
using quill::registry2::key;
using quill::registry2::looked_up_functions;

// The key where a walk starts, opened as the policy opens a hive.
key StartKey(HKEY handle, const VariantPolicy& policy) {
    key start;
    EXPECT_EQ(ERROR_SUCCESS, key::try_open_handle(handle, start, policy.locating_access,
                                                  policy.view, policy.functions()));
    return start;
}

const std::wstring kUpgradeCode = PackGuid(kProductUpgradeCode);
const std::wstring kOtherUpgradeCode = L"ABCDEF0123456789ABCDEF0123456789";
const std::wstring kV1 = L"1111AAAA2222BBBB3333CCCC4444DDDD";
const std::wstring kV2 = L"5555EEEE6666FFFF7777000088889999";
const std::wstring kW = L"9999888877776666555544443333AAAA";
const std::wstring kUsers = L"Machine\\Installer\\UserData\\S-1-5-18";
const std::wstring kComponents = kUsers + L"\\Components\\";
const std::wstring kShared = L"Machine\\SharedDLLs";

std::wstring Component(int n) {
    return L"C0C0C0C0C0C0C0C0C0C0C0C0C0C0C0C" + std::to_wstring(n);
}

std::string Line(int number, const std::wstring& text) {
    return std::to_string(number) + "  " + korve::test::ansi_path(text);
}

const std::string kLong(50, '=');
const std::string kShort(49, '=');

// A scratch Windows Installer database with two root stores: Machine (the product's upgrade
// code, products in two user locations, components of every kind, SharedDLLs) and NoShared
// (an empty UpgradeCodes key, no SharedDLLs key).
class CleaningPhasesTest : public ::testing::Test {
  protected:
    CleaningPhasesTest() : scratch_(L"installer_phases"), path_(L"HKCU\\" + scratch_.path()) {}

    void SetUp() override {
        ::SetEnvironmentVariableW(L"KORVE_PHASES_DIR", L"D:\\env");
        const std::wstring codes = L"Machine\\Installer\\UpgradeCodes\\";
        for (const std::wstring& name : {kV1, kV2, std::wstring(), std::wstring(L"NotAGuid")}) {
            scratch_.set_string(codes + kUpgradeCode, name, L"");
        }
        scratch_.set_string(codes + kOtherUpgradeCode, kW, L"");
        scratch_.set_string(L"Machine\\Installer\\Products\\" + kV1 + L"\\SourceList\\Media", L"1",
                            L";");
        scratch_.create(L"Machine\\Installer\\Products\\" + kW + L"\\SourceList");
        scratch_.create(kUsers + L"\\Products\\" + kV1 + L"\\InstallProperties");
        scratch_.create(kUsers + L"\\Products\\" + kV2 + L"\\Features");
        scratch_.create(kUsers + L"\\Products\\" + kW + L"\\InstallProperties");
        scratch_.create(L"Machine\\Installer\\UserData\\S-1-5-21-7\\Products\\" + kV1 +
                        L"\\InstallProperties");
        scratch_.set_string(kComponents + Component(1), kV1, L"C:\\dir\\one.dll");
        scratch_.set_string(kComponents + Component(2), kV1, L"C?\\dir\\two.dll");
        scratch_.set_string(kComponents + Component(3), kV1, L"C:\\dir\\shared.dll");
        scratch_.set_string(kComponents + Component(3), kW, L"C:\\dir\\shared.dll");
        scratch_.set_string(kComponents + Component(4), kV2, L"");
        scratch_.set_string(kComponents + Component(5), kV1, L"%KORVE_PHASES_DIR%\\five.dll",
                            REG_EXPAND_SZ);
        scratch_.set_string(kComponents + Component(6), kW, L"C:\\dir\\w.dll");
        for (const wchar_t* file :
             {L"C:\\dir\\one.dll", L"C:\\dir\\two.dll", L"C:\\dir\\shared.dll", L"C:\\dir\\w.dll",
              L"D:\\env\\five.dll"}) {
            scratch_.set_dword(kShared, file, 1);
        }
        scratch_.create(L"NoShared\\Installer\\UpgradeCodes");
    }

    // The record as the locating phase leaves it for the scratch stores (numbers 1 to 6).
    InstallerCleanup LocatedRecord() {
        InstallerCleanup record;
        record.upgrade_codes.insert(kUpgradeCode);
        const VariantPolicy native = NativePolicy(Deletions::disabled);
        FindInstallerRoots(record.stores, path_, StartKey(scratch_.get(), native), native);
        AddInstallerLocations(record.stores, native);
        return record;
    }

    std::vector<std::string> RunNative(InstallerCleanup& record,
                                       Deletions deletions = Deletions::enabled) {
        captured_lines log(InstallerChannel());
        RemoveFromStores(record, NativePolicy(deletions));
        return log.lines();
    }

    std::vector<std::string> RunWow64(InstallerCleanup& record,
                                      Deletions deletions = Deletions::enabled) {
        captured_lines log(Wow64InstallerChannel());
        looked_up_functions api;
        RemoveFromStores(record, Wow64Policy(deletions, api));
        return log.lines();
    }

    // What both variants leave behind of the arranged data.
    void ExpectCommonOutcome() {
        const std::wstring codes = L"Machine\\Installer\\UpgradeCodes\\";
        EXPECT_FALSE(scratch_.exists(codes + kUpgradeCode));
        EXPECT_TRUE(scratch_.value_exists(codes + kOtherUpgradeCode, kW));
        EXPECT_FALSE(scratch_.exists(L"Machine\\Installer\\Products\\" + kV1));
        EXPECT_TRUE(scratch_.exists(L"Machine\\Installer\\Products\\" + kW + L"\\SourceList"));
        EXPECT_FALSE(scratch_.exists(kUsers + L"\\Products\\" + kV1));
        EXPECT_FALSE(scratch_.exists(kUsers + L"\\Products\\" + kV2));
        EXPECT_TRUE(scratch_.exists(kUsers + L"\\Products\\" + kW + L"\\InstallProperties"));
        EXPECT_FALSE(
            scratch_.exists(L"Machine\\Installer\\UserData\\S-1-5-21-7\\Products\\" + kV1));
        for (int only_the_product : {1, 2, 4, 5}) {
            EXPECT_FALSE(scratch_.exists(kComponents + Component(only_the_product)))
                << "component " << only_the_product;
        }
        EXPECT_FALSE(scratch_.value_exists(kComponents + Component(3), kV1));
        EXPECT_TRUE(scratch_.value_exists(kComponents + Component(3), kW));
        EXPECT_TRUE(scratch_.value_exists(kComponents + Component(6), kW));
        EXPECT_FALSE(scratch_.value_exists(kShared, L"C:\\dir\\one.dll"));
        EXPECT_FALSE(scratch_.value_exists(kShared, L"C:\\dir\\two.dll"));
        EXPECT_TRUE(scratch_.value_exists(kShared, L"C:\\dir\\shared.dll"));
        EXPECT_TRUE(scratch_.value_exists(kShared, L"C:\\dir\\w.dll"));
    }

    std::vector<std::string> ExpectedLinesUpToKeyFiles() const {
        return {
            "",
            "Upgrade Codes Removed",
            kLong,
            "1  Not a product code: \"\"",
            "1  Not a product code: \"NotAGuid\"",
            Line(1, UnpackGuid(kUpgradeCode)),
            "",
            "Product Codes Removed",
            kShort,
            Line(3, UnpackGuid(kV1)),
            Line(4, UnpackGuid(kV1)),
            Line(4, UnpackGuid(kV2)),
            Line(5, UnpackGuid(kV1)),
            "",
            "Component Codes Removed",
            kShort,
            Line(4, UnpackGuid(Component(1))),
            Line(4, UnpackGuid(Component(2))),
            Line(4, UnpackGuid(Component(4))),
            Line(4, UnpackGuid(Component(5))),
            "",
            "Key Files Removed",
            kShort,
        };
    }

    scratch_key scratch_;
    const std::wstring path_;
};

TEST_F(CleaningPhasesTest, NativeRemovesTheProductAndLogsOnlyWhatItDeleted) {
    InstallerCleanup record = LocatedRecord();
    std::vector<std::string> expected = ExpectedLinesUpToKeyFiles();
    // Expanded, sorted, and only where a SharedDLLs key exists.
    for (const wchar_t* file : {L"C:\\dir\\one.dll", L"C:\\dir\\two.dll", L"D:\\env\\five.dll"}) {
        expected.push_back(Line(1, file));
    }
    EXPECT_EQ(expected, RunNative(record));

    ExpectCommonOutcome();
    EXPECT_FALSE(scratch_.value_exists(kShared, L"D:\\env\\five.dll"));
    EXPECT_EQ((std::set<std::wstring>{kV1, kV2}), record.product_codes);
}

TEST_F(CleaningPhasesTest, Wow64RemovesTheSameButTakesRawKeyPathsAndLogsEveryKeyFile) {
    InstallerCleanup record = LocatedRecord();
    std::vector<std::string> expected = ExpectedLinesUpToKeyFiles();
    // Unexpanded data, and one line per root store whether or not it has SharedDLLs.
    for (int root : {1, 2}) {
        for (const wchar_t* file :
             {L"%KORVE_PHASES_DIR%\\five.dll", L"C:\\dir\\one.dll", L"C:\\dir\\two.dll"}) {
            expected.push_back(Line(root, file));
        }
    }
    EXPECT_EQ(expected, RunWow64(record));

    ExpectCommonOutcome();
    EXPECT_TRUE(scratch_.value_exists(kShared, L"D:\\env\\five.dll"));
    EXPECT_EQ((std::set<std::wstring>{kV1, kV2}), record.product_codes);
}

TEST_F(CleaningPhasesTest, AnUpgradeCodeWithASubKeyIsAnErrorLineOnlyInTheWow64Variant) {
    const std::wstring code = L"Machine\\Installer\\UpgradeCodes\\" + kUpgradeCode;
    scratch_.create(code + L"\\Unexpected");
    // The WOW64 variant deletes the code's key alone, which a sub-key prevents.
    InstallerCleanup record = LocatedRecord();
    std::vector<std::string> expected = ExpectedLinesUpToKeyFiles();
    expected.insert(expected.begin() + 5, "Error 5");
    expected.resize(7);
    std::vector<std::string> lines = RunWow64(record);
    lines.resize(7);
    EXPECT_EQ(expected, lines);
    EXPECT_TRUE(scratch_.exists(code));

    // The native variant deletes the whole tree.
    InstallerCleanup native_record = LocatedRecord();
    lines = RunNative(native_record);
    lines.resize(6);
    expected = ExpectedLinesUpToKeyFiles();
    expected.resize(6);
    EXPECT_EQ(expected, lines);
    EXPECT_FALSE(scratch_.exists(code));
}

TEST_F(CleaningPhasesTest, WithDeletionsDisabledNothingIsDeleted) {
    InstallerCleanup native_record = LocatedRecord();
    RunNative(native_record, Deletions::disabled);
    InstallerCleanup wow64_record = LocatedRecord();
    RunWow64(wow64_record, Deletions::disabled);

    EXPECT_TRUE(scratch_.exists(L"Machine\\Installer\\UpgradeCodes\\" + kUpgradeCode));
    EXPECT_TRUE(scratch_.exists(L"Machine\\Installer\\Products\\" + kV1 + L"\\SourceList"));
    EXPECT_TRUE(scratch_.value_exists(kComponents + Component(1), kV1));
    EXPECT_TRUE(scratch_.value_exists(kComponents + Component(3), kV1));
    EXPECT_TRUE(scratch_.value_exists(kShared, L"C:\\dir\\one.dll"));
}

TEST_F(CleaningPhasesTest, AnUnregisteredProductLeavesOnlyTheHeadings) {
    const std::vector<std::string> headings = {
        "", "Upgrade Codes Removed",   kLong,  "", "Product Codes Removed", kShort,
        "", "Component Codes Removed", kShort, "", "Key Files Removed",     kShort};
    InstallerCleanup native_record = LocatedRecord();
    native_record.upgrade_codes = {kOtherUpgradeCode.substr(0, 31) + L"0"};
    EXPECT_EQ(headings, RunNative(native_record));
    InstallerCleanup wow64_record = LocatedRecord();
    wow64_record.upgrade_codes = native_record.upgrade_codes;
    EXPECT_EQ(headings, RunWow64(wow64_record));
    EXPECT_TRUE(scratch_.exists(kComponents + Component(1)));
}

TEST_F(CleaningPhasesTest, ADwordClientValueAbandonsTheLocationOnlyInTheNativeVariant) {
    // Sorts before every other component of the location.
    const std::wstring odd = L"0000000000000000000000000000000D";
    scratch_.set_dword(kComponents + odd, kV1, 1);
    InstallerCleanup record = LocatedRecord();
    record.product_codes = {kV1, kV2};
    const InstallerStore& users = record.stores.locations[1];
    ASSERT_EQ(path_ + L"\\" + kUsers, users.path);

    {
        captured_lines log(InstallerChannel());
        RemoveComponents(users, record, NativePolicy(Deletions::enabled));
        EXPECT_TRUE(log.lines().empty());
    }
    EXPECT_TRUE(scratch_.value_exists(kComponents + odd, kV1));
    EXPECT_TRUE(scratch_.exists(kComponents + Component(1)));
    EXPECT_TRUE(record.key_files.empty());

    {
        captured_lines log(Wow64InstallerChannel());
        looked_up_functions api;
        RemoveComponents(users, record, Wow64Policy(Deletions::enabled, api));
        EXPECT_EQ((std::vector<std::string>{
                      Line(4, UnpackGuid(odd)), Line(4, UnpackGuid(Component(1))),
                      Line(4, UnpackGuid(Component(2))), Line(4, UnpackGuid(Component(4))),
                      Line(4, UnpackGuid(Component(5)))}),
                  log.lines());
    }
    EXPECT_FALSE(scratch_.exists(kComponents + odd));
    EXPECT_FALSE(scratch_.exists(kComponents + Component(1)));
    EXPECT_EQ(1u, record.key_files.count(std::wstring(1, L'\x01'))) << "the DWORD taken as text";
}

TEST_F(CleaningPhasesTest, Wow64LeavesClientValuesItCannotReadWhole) {
    // Fills the 300-character data buffer without a terminating zero.
    const std::wstring full(300, L'x');
    scratch_.set_raw(kComponents + Component(7), kV1, REG_SZ, full.data(), 600);
    // Another client whose key path does not fit the buffer at all.
    const std::wstring long_path = L"C:\\" + std::wstring(400, L'y');
    scratch_.set_string(kComponents + Component(8), kV1, L"C:\\dir\\eight.dll");
    scratch_.set_string(kComponents + Component(8), kW, long_path);
    InstallerCleanup record = LocatedRecord();
    RunWow64(record);

    EXPECT_TRUE(scratch_.value_exists(kComponents + Component(7), kV1));
    EXPECT_TRUE(scratch_.exists(kComponents + Component(8))) << "W still uses it";
    EXPECT_FALSE(scratch_.value_exists(kComponents + Component(8), kV1));
    EXPECT_TRUE(scratch_.value_exists(kComponents + Component(8), kW));
    EXPECT_EQ(0u, record.key_files.count(L"C:\\dir\\eight.dll"));
    for (const std::wstring& file : record.key_files)
        EXPECT_EQ(std::wstring::npos, file.find(L"xxx"));
}

// A value the listing cannot read (another client's, here refused) still counts: the
// component is not taken for this product's alone.
LONG WINAPI RefuseOtherClients(HKEY key, DWORD index, LPWSTR name, LPDWORD name_chars,
                               LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD data_size) {
    const LONG result =
        ::RegEnumValueW(key, index, name, name_chars, reserved, type, data, data_size);
    return result == ERROR_SUCCESS && kW == name ? ERROR_ACCESS_DENIED : result;
}

TEST_F(CleaningPhasesTest, Wow64KeepsAComponentWithAValueItCannotList) {
    scratch_.set_string(kComponents + Component(9), kV1, L"C:\\dir\\nine.dll");
    scratch_.set_string(kComponents + Component(9), kW, L"C:\\dir\\w.dll");
    InstallerCleanup record = LocatedRecord();
    record.product_codes = {kV1, kV2};
    looked_up_functions api;
    api.enum_value = RefuseOtherClients;
    {
        captured_lines log(Wow64InstallerChannel());
        RemoveComponents(record.stores.locations[1], record, Wow64Policy(Deletions::enabled, api));
    }
    EXPECT_TRUE(scratch_.exists(kComponents + Component(9)));
    EXPECT_EQ(0u, record.key_files.count(L"C:\\dir\\nine.dll"));
}

TEST_F(CleaningPhasesTest, Wow64SkipsStorePathsThatDoNotFitItsBuffer) {
    InstallerCleanup record = LocatedRecord();
    const std::wstring segment(100, L'p');
    const std::wstring deep = segment + L"\\" + segment + L"\\" + segment;
    scratch_.set_string(deep + L"\\Installer\\UpgradeCodes\\" + kUpgradeCode, kV1, L"");
    record.stores.AddRoot(path_ + L"\\" + deep);
    RunWow64(record);
    EXPECT_TRUE(scratch_.exists(deep + L"\\Installer\\UpgradeCodes\\" + kUpgradeCode));

    InstallerCleanup native_record;
    native_record.upgrade_codes.insert(kUpgradeCode);
    native_record.stores.AddRoot(path_ + L"\\" + deep);
    RunNative(native_record);
    EXPECT_FALSE(scratch_.exists(deep + L"\\Installer\\UpgradeCodes\\" + kUpgradeCode));
}

TEST_F(CleaningPhasesTest, DeleteTreeRemovesAWholeTreeOnlyWithDeletionsEnabled) {
    looked_up_functions api;
    for (const VariantPolicy& policy :
         {NativePolicy(Deletions::disabled), Wow64Policy(Deletions::disabled, api)}) {
        scratch_.set_string(L"Tree\\Product\\A\\B\\C", L"v", L"1");
        scratch_.create(L"Tree\\Product\\A\\D");
        scratch_.create(L"Tree\\Product\\E");
        key tree = key::open(StartKey(scratch_.get(), policy), L"Tree");
        EXPECT_EQ(ERROR_SUCCESS, DeleteTree(tree, L"Product", policy));
        EXPECT_TRUE(scratch_.exists(L"Tree\\Product\\A\\B\\C"));
        VariantPolicy enabled = policy;
        enabled.deletions = Deletions::enabled;
        EXPECT_EQ(ERROR_SUCCESS, DeleteTree(tree, L"Product", enabled));
        EXPECT_FALSE(scratch_.exists(L"Tree\\Product"));
        EXPECT_TRUE(scratch_.exists(L"Tree"));
    }
}

TEST_F(CleaningPhasesTest, AKeyFileNameOutsideTheCodePageIsSkippedLikeAnyMissingCounter) {
    InstallerCleanup record = LocatedRecord();
    // Sorts first; no SharedDLLs value has its name.
    record.key_files = {L"C:\\Users\\\u0416\\x.dll", L"C:\\dir\\one.dll"};
    captured_lines log(InstallerChannel());
    for (const InstallerStore& root : record.stores.roots) {
        RemoveKeyFiles({root.number, root.path + L"\\SharedDLLs", root.owner, root.hive}, record,
                       NativePolicy(Deletions::enabled));
    }
    EXPECT_EQ(std::vector<std::string>{Line(1, L"C:\\dir\\one.dll")}, log.lines());
    EXPECT_FALSE(scratch_.value_exists(kShared, L"C:\\dir\\one.dll"));
}

// What the WOW64 variant asks of the registry, through its replaceable table.
std::vector<REGSAM>& OpenRights() {
    static std::vector<REGSAM> rights;
    return rights;
}
std::vector<REGSAM>& DeleteViews() {
    static std::vector<REGSAM> views;
    return views;
}
LONG WINAPI RecordOpen(HKEY parent, LPCWSTR sub_key, DWORD options, REGSAM access, PHKEY result) {
    OpenRights().push_back(access);
    return ::RegOpenKeyExW(parent, sub_key, options, access, result);
}
LONG WINAPI RecordDelete(HKEY parent, LPCWSTR sub_key, REGSAM view, DWORD reserved) {
    DeleteViews().push_back(view);
    return ::RegDeleteKeyExW(parent, sub_key, view, reserved);
}

TEST_F(CleaningPhasesTest, Wow64AsksForItsRightsAndTheSixtyFourBitViewInEveryCall) {
    looked_up_functions api;
    api.open_key = RecordOpen;
    api.delete_key = RecordDelete;
    const VariantPolicy policy = Wow64Policy(Deletions::enabled, api);
    OpenRights().clear();
    DeleteViews().clear();
    InstallerCleanup record;
    record.upgrade_codes.insert(kUpgradeCode);
    FindInstallerRoots(record.stores, path_, StartKey(scratch_.get(), policy), policy);
    AddInstallerLocations(record.stores, policy);
    ASSERT_EQ(2u, record.stores.roots.size());
    EXPECT_EQ(std::set<REGSAM>{KEY_READ | KEY_WOW64_64KEY},
              std::set<REGSAM>(OpenRights().begin(), OpenRights().end()));

    OpenRights().clear();
    {
        captured_lines log(Wow64InstallerChannel());
        RemoveFromStores(record, policy);
    }
    // The key file step also clears a 32-bit install's counters in the 32-bit view.
    EXPECT_EQ((std::set<REGSAM>{KEY_READ | KEY_WRITE | KEY_WOW64_64KEY,
                                KEY_READ | KEY_WRITE | KEY_WOW64_32KEY}),
              std::set<REGSAM>(OpenRights().begin(), OpenRights().end()));
    EXPECT_EQ(std::set<REGSAM>{KEY_WOW64_64KEY},
              std::set<REGSAM>(DeleteViews().begin(), DeleteViews().end()));
    EXPECT_LE(6u, DeleteViews().size()) << "upgrade code, products, components";
    ExpectCommonOutcome();
}

// Registry links planted among the stores: one inside the product's tree and one among the
// components, both to a precious store elsewhere, one from the search's path to that store,
// and loops back to the scratch root. Nothing is searched or deleted through them, both
// walks end, and every phase runs.
TEST_F(CleaningPhasesTest, LinksAreNeitherSearchedNorFollowedAndLoopsEndEveryWalk) {
    scratch_key precious(L"installer_precious");
    precious.set_string(L"Installer\\UpgradeCodes\\" + kUpgradeCode, kW, L"");
    precious.create(L"Installer\\Products\\" + kW + L"\\SourceList");
    precious.set_string(L"Component", kV1, L"C:\\dir\\one.dll");
    const std::wstring base = scratch_.path() + L"\\";
    const std::wstring product = base + L"Machine\\Installer\\Products\\" + kV1;
    const registry_link links[] = {
        {HKEY_CURRENT_USER, product + L"\\ToPrecious", HKEY_CURRENT_USER, precious.path()},
        {HKEY_CURRENT_USER, product + L"\\Loop", HKEY_CURRENT_USER, scratch_.path()},
        {HKEY_CURRENT_USER, base + kComponents + L"C0C0C0C0C0C0C0C0C0C0C0C0C0C0C0C9",
         HKEY_CURRENT_USER, precious.path() + L"\\Component"},
        {HKEY_CURRENT_USER, base + L"Walk\\ToPrecious", HKEY_CURRENT_USER, precious.path()},
        {HKEY_CURRENT_USER, base + L"Walk\\Loop", HKEY_CURRENT_USER, scratch_.path()},
    };
    const auto expect_precious_intact = [&] {
        EXPECT_TRUE(precious.value_exists(L"Installer\\UpgradeCodes\\" + kUpgradeCode, kW));
        EXPECT_TRUE(precious.exists(L"Installer\\Products\\" + kW + L"\\SourceList"));
        EXPECT_TRUE(precious.value_exists(L"Component", kV1));
    };
    const std::vector<std::wstring> stores = {path_ + L"\\Machine", path_ + L"\\NoShared"};

    InstallerCleanup record;
    record.upgrade_codes.insert(kUpgradeCode);
    looked_up_functions api;
    const VariantPolicy wow64 = Wow64Policy(Deletions::enabled, api);
    FindInstallerRoots(record.stores, path_, StartKey(scratch_.get(), wow64), wow64);
    std::vector<std::wstring> found;
    for (const InstallerStore& root : record.stores.roots) found.push_back(root.path);
    EXPECT_EQ(stores, found);
    AddInstallerLocations(record.stores, wow64);
    std::vector<std::string> lines = RunWow64(record);
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "Key Files Removed"));
    expect_precious_intact();
    EXPECT_TRUE(links[0].exists()) << "the WOW64 variant leaves a link";
    EXPECT_TRUE(scratch_.exists(L"Machine\\Installer\\Products\\" + kV1)) << "it holds the link";

    // The native variant finds the same stores and deletes the links as links.
    InstallerCleanup native_record = LocatedRecord();
    found.clear();
    for (const InstallerStore& root : native_record.stores.roots) found.push_back(root.path);
    EXPECT_EQ(stores, found);
    native_record.product_codes = record.product_codes;
    lines = RunNative(native_record);
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "Key Files Removed"));
    expect_precious_intact();
    EXPECT_FALSE(links[0].exists());
    EXPECT_FALSE(links[1].exists());
    EXPECT_TRUE(links[2].exists()) << "a linked component is not examined";
    ExpectCommonOutcome();
}

}  // namespace
}  // namespace korve::installer
