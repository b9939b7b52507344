#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quill/handle.h"
#include "quill/unicode/conversion.h"
#include "suite/shared_tray_remover.h"
#include "tests/support/remover.h"

namespace {

// A brand of its own keeps these counters apart from the product's.
const wchar_t* const kBrand = L"KorveCounterTest";
const wchar_t* const kSharedDlls = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::wstring kFolder = L"C:\\Program Files (x86)\\KorveCounterTest\\Tray\\";

std::string narrow(const std::wstring& text) {
    return quill::unicode::to_narrow(text, quill::unicode::utf8_codepage);
}

// The SharedDLLs key of one registry view, with every value of the test brand removed before
// and after; a key that had to be created is deleted again.
class shared_dlls_view {
  public:
    explicit shared_dlls_view(REGSAM view) : view_(view) {
        DWORD disposition = 0;
        const LONG result =
            ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSharedDlls, 0, nullptr, 0,
                              KEY_ALL_ACCESS | view_, nullptr, key_.put(), &disposition);
        EXPECT_EQ(ERROR_SUCCESS, result) << "SharedDLLs, view " << view_;
        created_ = disposition == REG_CREATED_NEW_KEY;
        remove_test_values();
    }
    ~shared_dlls_view() {
        remove_test_values();
        const bool empty = value_count() == 0;
        key_.reset();
        if (created_ && empty) ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kSharedDlls, view_, 0);
    }

    void set_dword(const std::wstring& name, DWORD value) {
        EXPECT_EQ(ERROR_SUCCESS, ::RegSetValueExW(key_.get(), name.c_str(), 0, REG_DWORD,
                                                  reinterpret_cast<const BYTE*>(&value), 4));
    }
    void set_string(const std::wstring& name, const std::wstring& text) {
        EXPECT_EQ(ERROR_SUCCESS,
                  ::RegSetValueExW(key_.get(), name.c_str(), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(text.c_str()),
                                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))));
    }
    bool has(const std::wstring& name) const {
        return ::RegQueryValueExW(key_.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }
    DWORD counter(const std::wstring& name) const {
        DWORD value = 0xBDBDBDBD;
        DWORD size = sizeof(value);
        ::RegQueryValueExW(key_.get(), name.c_str(), nullptr, nullptr,
                           reinterpret_cast<BYTE*>(&value), &size);
        return value;
    }

  private:
    DWORD value_count() const {
        DWORD values = 0;
        ::RegQueryInfoKeyW(key_.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           &values, nullptr, nullptr, nullptr, nullptr);
        return values;
    }

    void remove_test_values() {
        std::vector<std::wstring> doomed;
        wchar_t name[1024];
        for (DWORD index = 0;; ++index) {
            DWORD length = 1024;
            if (::RegEnumValueW(key_.get(), index, name, &length, nullptr, nullptr, nullptr,
                                nullptr) != ERROR_SUCCESS) {
                break;
            }
            if (std::wstring(name).find(kBrand) != std::wstring::npos) doomed.push_back(name);
        }
        for (const std::wstring& value : doomed) ::RegDeleteValueW(key_.get(), value.c_str());
    }

    REGSAM view_;
    quill::unique_hkey key_;
    bool created_ = false;
};

class FixSharedDllCountersTest : public ::testing::Test {
  protected:
    std::vector<std::string> repair(int count) {
        {
            korve::suite::SharedTrayRemover remover(kBrand, L"Tray", L"KORVE", L"KestranaTray.exe");
            remover.FixSharedDllCounters(count);
        }
        return korve::test::log_texts(work_);
    }

    static std::vector<std::string> heading(int count) {
        return {"Fixing Pellam Tray counters in SharedDLLs",
                "Number of products with Pellam Tray according to configurations files: " +
                    std::to_string(count),
                "Conters of Pellam Tray fils in SharedDLLs key:"};
    }

    korve::test::scratch_folder work_{"suite-counters", korve::test::folder_use::current_directory};
    shared_dlls_view dlls_{KEY_WOW64_32KEY};
    const std::wstring exe_ = kFolder + L"KestranaTray.exe";
    const std::wstring dll_ = kFolder + L"qvhtml.dll";
    const std::wstring png_ = kFolder + L"HTML\\gfx\\tray.png";
};

TEST_F(FixSharedDllCountersTest, CountZeroLogsEveryCounterThenDeletesThem) {
    dlls_.set_dword(exe_, 3);
    dlls_.set_dword(dll_, 1);
    const std::wstring other_brand = L"C:\\Program Files (x86)\\KorveCounterTestX\\Corvo\\a.dll";
    dlls_.set_dword(other_brand, 4);

    std::vector<std::string> expected = heading(0);
    // Sorted by UTF-16 unit: "K" comes before "q".
    expected.push_back("   " + narrow(exe_) + " - 3");
    expected.push_back("   " + narrow(dll_) + " - 1");
    expected.push_back("Removed registry value " + narrow(exe_));
    expected.push_back("Removed registry value " + narrow(dll_));
    EXPECT_EQ(expected, repair(0));
    EXPECT_FALSE(dlls_.has(exe_));
    EXPECT_FALSE(dlls_.has(dll_));
    EXPECT_EQ(4u, dlls_.counter(other_brand)) << "not a tray file";
}

TEST_F(FixSharedDllCountersTest, CountersAreSetToTheCountAndEqualOnesLeftQuiet) {
    dlls_.set_dword(exe_, 2);
    dlls_.set_dword(dll_, 5);
    dlls_.set_dword(png_, 0);

    std::vector<std::string> expected = heading(2);
    expected.push_back("   " + narrow(png_) + " - 0");
    expected.push_back("   " + narrow(exe_) + " - 2");
    expected.push_back("   " + narrow(dll_) + " - 5");
    expected.push_back(narrow(png_) + " is set to 2");
    expected.push_back(narrow(dll_) + " is set to 2");
    EXPECT_EQ(expected, repair(2));
    EXPECT_EQ(2u, dlls_.counter(exe_));
    EXPECT_EQ(2u, dlls_.counter(dll_));
    EXPECT_EQ(2u, dlls_.counter(png_));
}

TEST_F(FixSharedDllCountersTest, MarkerInOtherLetterCaseIsNotATrayFile) {
    const std::wstring lower = L"C:\\Program Files (x86)\\KorveCounterTest\\tray\\old.dll";
    const std::wstring upper = L"C:\\PROGRAM FILES (X86)\\KORVECOUNTERTEST\\TRAY\\old.dll";
    dlls_.set_dword(lower, 7);
    dlls_.set_dword(upper, 7);
    dlls_.set_dword(exe_, 7);

    std::vector<std::string> expected = heading(0);
    expected.push_back("   " + narrow(exe_) + " - 7");
    expected.push_back("Removed registry value " + narrow(exe_));
    EXPECT_EQ(expected, repair(0));
    EXPECT_EQ(7u, dlls_.counter(lower));
    EXPECT_EQ(7u, dlls_.counter(upper));
}

TEST_F(FixSharedDllCountersTest, OnlyTheTrayFolderAsAWholePathComponentMatches) {
    const std::wstring tools = L"C:\\Program Files (x86)\\KorveCounterTest\\TrayTools\\x.dll";
    const std::wstring tray2 = L"C:\\Program Files (x86)\\KorveCounterTest\\Tray2\\y.dll";
    const std::wstring glued = L"C:\\Program Files (x86)\\XKorveCounterTest\\Tray\\z.dll";
    for (const std::wstring& other : {tools, tray2, glued}) dlls_.set_dword(other, 6);
    dlls_.set_dword(exe_, 6);
    dlls_.set_dword(png_, 6);

    std::vector<std::string> expected = heading(1);
    expected.push_back("   " + narrow(png_) + " - 6");
    expected.push_back("   " + narrow(exe_) + " - 6");
    expected.push_back(narrow(png_) + " is set to 1");
    expected.push_back(narrow(exe_) + " is set to 1");
    EXPECT_EQ(expected, repair(1));
    for (const std::wstring& other : {tools, tray2, glued}) {
        EXPECT_EQ(6u, dlls_.counter(other)) << narrow(other);
    }
}

TEST_F(FixSharedDllCountersTest, StringValueStopsTheRepairWhereTheFirstPassReachesIt) {
    const std::wstring a = kFolder + L"a.dll";
    const std::wstring b = kFolder + L"b.dll";
    const std::wstring c = kFolder + L"c.dll";
    dlls_.set_dword(a, 3);
    dlls_.set_string(b, L"3");
    dlls_.set_dword(c, 4);

    std::vector<std::string> expected = heading(0);
    expected.push_back("   " + narrow(a) + " - 3");
    EXPECT_EQ(expected, repair(0));
    EXPECT_EQ(3u, dlls_.counter(a)) << "nothing is changed once an error stops the repair";
    EXPECT_TRUE(dlls_.has(b));
    EXPECT_EQ(4u, dlls_.counter(c));
}

TEST_F(FixSharedDllCountersTest, OnlyThe32BitViewIsRepaired) {
    shared_dlls_view native(KEY_WOW64_64KEY);
    native.set_dword(exe_, 9);
    if (dlls_.has(exe_)) GTEST_SKIP() << "this system does not redirect SharedDLLs";
    dlls_.set_dword(exe_, 3);

    std::vector<std::string> expected = heading(1);
    expected.push_back("   " + narrow(exe_) + " - 3");
    expected.push_back(narrow(exe_) + " is set to 1");
    EXPECT_EQ(expected, repair(1));
    EXPECT_EQ(1u, dlls_.counter(exe_));
    EXPECT_EQ(9u, native.counter(exe_)) << "the 64-bit view's counter stays";
}

// A name with CR LF and a time stamp cannot pass for a line of the program's own.
TEST_F(FixSharedDllCountersTest, ControlCharactersInANameStayOnItsLine) {
    const std::wstring forged = L"\r\n2030/01/01 00:00:00     Velocore was not installed here";
    dlls_.set_dword(exe_ + forged, 1);
    std::vector<std::string> expected = heading(1);
    expected.push_back("   " + narrow(exe_) +
                       "\\r\\n2030/01/01 00:00:00     Velocore was not installed here - 1");
    EXPECT_EQ(expected, repair(1));
}

}  // namespace
