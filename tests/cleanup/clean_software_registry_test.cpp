#include "cleanup/clean_software_registry.h"

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "channels/program_channels.h"
#include "tests/support/captured_lines.h"
#include "tests/support/registry_link.h"
#include "tests/support/saved_key.h"
#include "tests/support/scratch_key.h"

namespace {

using korve::cleanup::CleanSoftwareRegistry;
using korve::cleanup::IsProductUninstallEntry;
using korve::test::captured_lines;
using korve::test::key_exists;
using korve::test::make_key;
using korve::test::saved_key;
using korve::test::set_string_value;

const std::wstring kUninstall = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::wstring kAppPaths = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::wstring kBrand = L"Software\\Kestrana";
const std::wstring kSuite = L"SOFTWARE\\Pellam Suite";
const std::wstring kProductCode = L"{6F1C2B4E-3A5D-4C7B-9E8F-0A1B2C3D4E5F}";
const std::wstring kOtherCode = L"{11111111-2222-3333-4444-555555555555}";
const std::string kUninstallLine =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Entry names beyond the ANSI code page (1252 here): "Velocore Łódź" (ó is in 1252, Ł and ź are
// not), "Velocore Клиент", "Velocore Café Édition" (1252 letters only) and "Клиент Velocore",
// which is not the product's.
const std::wstring kPolishEntry = L"Velocore \u0141\u00F3d\u017A";
const std::wstring kCyrillicEntry = L"Velocore \u041A\u043B\u0438\u0435\u043D\u0442";
const std::wstring kWesternEntry = L"Velocore Caf\u00E9 \u00C9dition";
const std::wstring kUnrelatedCyrillicEntry = L"\u041A\u043B\u0438\u0435\u043D\u0442 Velocore";

std::wstring uninstall_entry(const std::wstring& name) {
    return kUninstall + L"\\" + name;
}

// Every fixed key the step works on is saved, emptied and restored around each test, together
// with the uninstall entries the tests create.
class CleanSoftwareRegistryTest : public ::testing::Test {
  protected:
    CleanSoftwareRegistryTest() {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) save(root, kBrand);
        save(HKEY_LOCAL_MACHINE, kAppPaths + L"\\Velocore.exe");
        save(HKEY_LOCAL_MACHINE, kSuite);
        for (const std::wstring& entry :
             {std::wstring(L"Velocore"), std::wstring(L"VelocoreHelp"), kProductCode, kOtherCode,
              std::wstring(L"Lumen"), kPolishEntry, kCyrillicEntry, kWesternEntry,
              kUnrelatedCyrillicEntry}) {
            save(HKEY_LOCAL_MACHINE, uninstall_entry(entry));
        }
    }

    void save(HKEY root, const std::wstring& path) {
        saved_.push_back(std::make_unique<saved_key>(root, path));
    }

    std::vector<std::string> run_step() {
        const captured_lines log(MainChannel());
        facts_ = CleanSoftwareRegistry();
        return log.lines();
    }

    static std::vector<std::string> framed(std::vector<std::string> lines) {
        lines.insert(lines.begin(), {"**** Cleaning SOFTWARE registry ****", ""});
        lines.insert(lines.end(), {kSeparatorLine, ""});
        return lines;
    }

    korve::cleanup::ProductFacts facts_;  // what the last run_step returned

  private:
    std::vector<std::unique_ptr<saved_key>> saved_;
};

TEST_F(CleanSoftwareRegistryTest, RemovesTheWholeFootprintAndKeepsTheProductFacts) {
    set_string_value(HKEY_LOCAL_MACHINE, kBrand + L"\\KORVE\\Misc", L"AppPath",
                     L"C:\\Program Files\\Kestrana\\Velocore");
    set_string_value(HKEY_LOCAL_MACHINE, kBrand + L"\\KORVE\\Misc", L"InstalledVersion", L"5.2.1");
    make_key(HKEY_CURRENT_USER, kBrand + L"\\KORVE\\Settings");
    set_string_value(HKEY_LOCAL_MACHINE, uninstall_entry(L"Velocore"), L"Product Code",
                     kProductCode);
    make_key(HKEY_LOCAL_MACHINE, uninstall_entry(L"VelocoreHelp"));
    make_key(HKEY_LOCAL_MACHINE, uninstall_entry(kProductCode) + L"\\Sub");
    make_key(HKEY_LOCAL_MACHINE, uninstall_entry(kOtherCode));
    make_key(HKEY_LOCAL_MACHINE, uninstall_entry(L"Lumen"));
    set_string_value(HKEY_LOCAL_MACHINE, kAppPaths + L"\\Velocore.exe", L"", L"C:\\V.exe");
    set_string_value(HKEY_LOCAL_MACHINE, kSuite + L"\\KORVE\\5", L"Path", L"C:\\");

    const std::string uninstall_code = kUninstallLine + "{6F1C2B4E-3A5D-4C7B-9E8F-0A1B2C3D4E5F}";
    EXPECT_EQ(framed({kUninstallLine + "Velocore", kUninstallLine + "VelocoreHelp", uninstall_code,
                      "HKCU\\Software\\Kestrana\\KORVE", "HKCU\\Software\\Kestrana",
                      "HKLM\\Software\\Kestrana\\KORVE", "HKLM\\Software\\Kestrana",
                      "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Velocore.exe",
                      "HKLM\\SOFTWARE\\Pellam Suite\\KORVE\\5",
                      "HKLM\\SOFTWARE\\Pellam Suite\\KORVE", "HKLM\\SOFTWARE\\Pellam Suite"}),
              run_step());

    EXPECT_EQ(L"C:\\Program Files\\Kestrana\\Velocore", facts_.installed_application_path);
    EXPECT_EQ(L"5.2.1", facts_.installed_version);
    for (const std::wstring& gone :
         {uninstall_entry(L"Velocore"), uninstall_entry(L"VelocoreHelp"),
          uninstall_entry(kProductCode), kBrand, kSuite, kAppPaths + L"\\Velocore.exe"}) {
        EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, gone)) << std::string(gone.begin(), gone.end());
    }
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, kBrand));
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, uninstall_entry(kOtherCode)));
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, uninstall_entry(L"Lumen")));
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kAppPaths));
}

TEST_F(CleanSoftwareRegistryTest, NothingToDoLogsOnlyTheFrameAndLeavesFactsEmpty) {
    make_key(HKEY_LOCAL_MACHINE, uninstall_entry(L"Lumen"));
    EXPECT_EQ(framed({}), run_step());
    EXPECT_EQ(L"", facts_.installed_application_path);
    EXPECT_EQ(L"", facts_.installed_version);
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, uninstall_entry(L"Lumen")));
}

TEST_F(CleanSoftwareRegistryTest, PathReadBeforeAMissingVersionStaysStored) {
    set_string_value(HKEY_LOCAL_MACHINE, kBrand + L"\\KORVE\\Misc", L"AppPath", L"D:\\Velocore");
    run_step();
    EXPECT_EQ(L"D:\\Velocore", facts_.installed_application_path);
    EXPECT_EQ(L"", facts_.installed_version);
}

TEST_F(CleanSoftwareRegistryTest, FallbackDeletesOnlyTheProductEntryWhenItHasNoProductCode) {
    make_key(HKEY_LOCAL_MACHINE, uninstall_entry(L"Velocore"));
    make_key(HKEY_LOCAL_MACHINE, uninstall_entry(L"VelocoreHelp"));
    EXPECT_EQ(framed({kUninstallLine + "Velocore"}), run_step());
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, uninstall_entry(L"Velocore")));
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, uninstall_entry(L"VelocoreHelp")));
}

TEST_F(CleanSoftwareRegistryTest, EmptyProductCodeIsNoPrefixForOtherProgramsEntries) {
    set_string_value(HKEY_LOCAL_MACHINE, uninstall_entry(L"Velocore"), L"Product Code", L"");
    make_key(HKEY_LOCAL_MACHINE, uninstall_entry(L"VelocoreHelp"));
    make_key(HKEY_LOCAL_MACHINE, uninstall_entry(kOtherCode));
    make_key(HKEY_LOCAL_MACHINE, uninstall_entry(L"Lumen"));
    EXPECT_EQ(framed({kUninstallLine + "Velocore", kUninstallLine + "VelocoreHelp"}), run_step());
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, uninstall_entry(kOtherCode)));
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, uninstall_entry(L"Lumen")));
}

// Each entry goes whatever its name's characters, with one line naming it exactly (the log is
// UTF-8); the rest of the block goes on after it.
TEST_F(CleanSoftwareRegistryTest, EntryNamesOutsideTheAnsiCodePageGoAndAreLoggedWhole) {
    set_string_value(HKEY_LOCAL_MACHINE, uninstall_entry(L"Velocore"), L"Product Code",
                     kProductCode);
    make_key(HKEY_LOCAL_MACHINE, uninstall_entry(kProductCode));
    make_key(HKEY_LOCAL_MACHINE, uninstall_entry(kPolishEntry));
    make_key(HKEY_LOCAL_MACHINE,
             uninstall_entry(kCyrillicEntry) + L"\\\u041C\u043E\u0434\u0443\u043B\u0438");
    set_string_value(HKEY_LOCAL_MACHINE, uninstall_entry(kWesternEntry), L"DisplayName",
                     L"\u0412\u0435\u043B\u043E\u043A\u043E\u0440");
    make_key(HKEY_LOCAL_MACHINE, uninstall_entry(kUnrelatedCyrillicEntry));

    EXPECT_EQ(framed({kUninstallLine + "Velocore",
                      kUninstallLine + "Velocore Caf\xC3\xA9 \xC3\x89"
                                       "dition",
                      kUninstallLine + "Velocore \xC5\x81\xC3\xB3"
                                       "d\xC5\xBA",
                      kUninstallLine + "Velocore \xD0\x9A\xD0\xBB\xD0\xB8\xD0\xB5\xD0\xBD\xD1\x82",
                      kUninstallLine + "{6F1C2B4E-3A5D-4C7B-9E8F-0A1B2C3D4E5F}"}),
              run_step());
    for (const std::wstring& gone :
         {std::wstring(L"Velocore"), kWesternEntry, kPolishEntry, kCyrillicEntry, kProductCode}) {
        EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, uninstall_entry(gone)));
    }
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, uninstall_entry(kUnrelatedCyrillicEntry)));
}

TEST(UninstallEntryMatchTest, PrefixesAreCaseSensitiveAndAnEmptyCodeMatchesNothing) {
    struct row {
        const wchar_t* entry;
        const wchar_t* code;
        bool matches;
    };
    const wchar_t* const a = L"{AAAAAAAA-1111-2222-3333-444444444444}";
    const row rows[] = {
        {L"Velocore", a, true},
        {L"VelocoreHelp", L"", true},
        {L"velocore", a, false},
        {a, a, true},
        {L"{AAAAAAAA-1111-2222-3333-444444444444}.KB123", a, true},
        {L"{aaaaaaaa-1111-2222-3333-444444444444}", a, false},
        {L"Lumen", L"", false},
        {L"{B}", L"", false},
        {L"Velo", a, false},
    };
    for (const row& r : rows) {
        EXPECT_EQ(r.matches, IsProductUninstallEntry(r.entry, r.code))
            << std::string(r.entry, r.entry + wcslen(r.entry));
    }
}

// Another program's entry, itself named by a braced GUID, against codes that are not one.
TEST(UninstallEntryMatchTest, OnlyABracedGuidIsAPrefix) {
    const std::wstring entry = L"{6F1C2B4E-3A5D-4C7B-9E8F-0A1B2C3D4E5F}";
    struct row {
        const wchar_t* code;
        bool matches;
    };
    const row rows[] = {
        {L"{6F1C2B4E-3A5D-4C7B-9E8F-0A1B2C3D4E5F}", true},
        {L"{6f1c2b4e-3a5d-4c7b-9e8f-0a1b2c3d4e5f}", false},  // a GUID, but not this one's case
        {L"{", false},
        {L"{6", false},
        {L"1", false},
        {L" ", false},
        {L"{6F1C2B4E-3A5D-4C7B-9E8F-0A1B2C3D4E5}", false},   // one digit short
        {L"{6F1C2B4E-3A5D-4C7B-9E8F-0A1B2C3D4E5F", false},   // no closing brace
        {L"{6F1C2B4E+3A5D-4C7B-9E8F-0A1B2C3D4E5F}", false},  // separator out of place
        {L"{6F1C2B4G-3A5D-4C7B-9E8F-0A1B2C3D4E5F}", false},  // not a hex digit
        {L"6F1C2B4E-3A5D-4C7B-9E8F-0A1B2C3D4E5F", false},    // no braces
    };
    for (const row& r : rows) {
        EXPECT_EQ(r.matches, IsProductUninstallEntry(entry, r.code))
            << std::string(r.code, r.code + wcslen(r.code));
        EXPECT_TRUE(IsProductUninstallEntry(L"Velocore", r.code));
    }
}

TEST_F(CleanSoftwareRegistryTest, BrandKeyWithAnotherProductStays) {
    make_key(HKEY_CURRENT_USER, kBrand + L"\\KORVE");
    make_key(HKEY_CURRENT_USER, kBrand + L"\\Lumen");
    make_key(HKEY_LOCAL_MACHINE, kBrand + L"\\KORVE");
    set_string_value(HKEY_LOCAL_MACHINE, kBrand, L"Owner", L"Kestrana");
    EXPECT_EQ(framed({"HKCU\\Software\\Kestrana\\KORVE", "HKLM\\Software\\Kestrana\\KORVE"}),
              run_step());
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, kBrand + L"\\Lumen"));
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kBrand));
}

TEST_F(CleanSoftwareRegistryTest, EmptyBrandKeyGoesEvenWithoutTheProductKey) {
    make_key(HKEY_CURRENT_USER, kBrand);
    EXPECT_EQ(framed({"HKCU\\Software\\Kestrana"}), run_step());
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, kBrand));
}

TEST_F(CleanSoftwareRegistryTest, SuiteKeyWithoutVersionSubKeyStays) {
    make_key(HKEY_LOCAL_MACHINE, kSuite + L"\\KORVE");
    EXPECT_EQ(framed({}), run_step());
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kSuite + L"\\KORVE"));
}

TEST_F(CleanSoftwareRegistryTest, SuiteKeyWithAnotherProductKeepsIt) {
    make_key(HKEY_LOCAL_MACHINE, kSuite + L"\\KORVE\\5");
    make_key(HKEY_LOCAL_MACHINE, kSuite + L"\\LUMN\\5");
    EXPECT_EQ(
        framed({"HKLM\\SOFTWARE\\Pellam Suite\\KORVE\\5", "HKLM\\SOFTWARE\\Pellam Suite\\KORVE"}),
        run_step());
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kSuite + L"\\LUMN\\5"));
}

// A user's brand key holding a link to a precious key and a link back to the brand key:
// the links go as links, the precious key stays whole, and the step ends with every block.
TEST_F(CleanSoftwareRegistryTest, LinksInTheUsersBrandKeyGoAsLinksAndALoopEnds) {
    const korve::test::scratch_key precious(L"brand_precious");
    set_string_value(HKEY_CURRENT_USER, precious.path() + L"\\Inside", L"v", L"keep");
    make_key(HKEY_CURRENT_USER, kBrand + L"\\KORVE\\Settings");
    const korve::test::registry_link to_precious(
        HKEY_CURRENT_USER, kBrand + L"\\KORVE\\Settings\\P", HKEY_CURRENT_USER, precious.path());
    const korve::test::registry_link loop(HKEY_CURRENT_USER, kBrand + L"\\KORVE\\Loop",
                                          HKEY_CURRENT_USER, kBrand);
    set_string_value(HKEY_LOCAL_MACHINE, kSuite + L"\\KORVE\\5", L"Path", L"C:\\");
    EXPECT_EQ(framed({"HKCU\\Software\\Kestrana\\KORVE", "HKCU\\Software\\Kestrana",
                      "HKLM\\SOFTWARE\\Pellam Suite\\KORVE\\5",
                      "HKLM\\SOFTWARE\\Pellam Suite\\KORVE", "HKLM\\SOFTWARE\\Pellam Suite"}),
              run_step());
    EXPECT_FALSE(to_precious.exists());
    EXPECT_FALSE(loop.exists());
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, precious.path() + L"\\Inside"));
}

// The product code's entry fails part-way (its child b refuses all access): its child a stays
// deleted, b and c stay, and the fallback runs. A listener puts the product's entry back
// once block B has deleted it, so that only the fallback can delete it again.
TEST_F(CleanSoftwareRegistryTest, ADeletionFailingPartWayEndsBlockBAndTheFallbackRuns) {
    set_string_value(HKEY_LOCAL_MACHINE, uninstall_entry(L"Velocore"), L"Product Code",
                     kProductCode);
    for (const wchar_t* child : {L"\\a", L"\\b", L"\\c"})
        make_key(HKEY_LOCAL_MACHINE, uninstall_entry(kProductCode) + child);
    const auto set_dacl_of_b = [&](const wchar_t* sddl) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                           &descriptor, nullptr));
        HKEY b = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                                                 (uninstall_entry(kProductCode) + L"\\b").c_str(),
                                                 0, WRITE_DAC, &b));
        EXPECT_EQ(ERROR_SUCCESS, ::RegSetKeySecurity(b, DACL_SECURITY_INFORMATION, descriptor));
        ::RegCloseKey(b);
        ::LocalFree(descriptor);
    };
    set_dacl_of_b(L"D:P");

    class restoring_listener : public quill::log::listener {
      public:
        explicit restoring_listener(std::string trigger) : trigger_(std::move(trigger)) {}
        void write(int, const std::string&, const std::string& text) override {
            if (text == trigger_) make_key(HKEY_LOCAL_MACHINE, uninstall_entry(L"Velocore"));
        }

      private:
        std::string trigger_;
    };
    const std::string code_line = kUninstallLine + "{6F1C2B4E-3A5D-4C7B-9E8F-0A1B2C3D4E5F}";
    std::vector<std::string> lines;
    {
        const captured_lines log(MainChannel());
        MainChannel().attach(0, std::make_unique<restoring_listener>(code_line));
        CleanSoftwareRegistry();
        lines = log.lines();
    }
    set_dacl_of_b(L"D:P(A;;KA;;;WD)");
    EXPECT_EQ(framed({kUninstallLine + "Velocore", code_line, kUninstallLine + "Velocore"}), lines);
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, uninstall_entry(L"Velocore")));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, uninstall_entry(kProductCode) + L"\\a"));
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, uninstall_entry(kProductCode) + L"\\b"));
    EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, uninstall_entry(kProductCode) + L"\\c"));
}

}  // namespace
