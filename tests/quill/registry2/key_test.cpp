#include "quill/registry2/key.h"

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "quill/unicode/errors.h"
#include "tests/support/registry_link.h"
#include "tests/support/scratch_key.h"

namespace {

using korve::test::registry_link;
using korve::test::scratch_key;
using quill::registry2::key;

// Each test gets a fresh scratch key of its own, deleted afterwards.
class KeyTest : public ::testing::Test {
  protected:
    KeyTest()
        : scratch_(L"registry2-" + wide_test_name()), root_(key::open_handle(scratch_.get())) {}

    static std::wstring wide_test_name() {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        return std::wstring(name.begin(), name.end());
    }

    template <typename Error>
    static std::string message_of(const std::function<void()>& action) {
        try {
            action();
        } catch (const Error& error) {
            return error.message();
        } catch (const std::exception& other) {
            return std::string("wrong error: ") + other.what();
        }
        return "no error";
    }

    // Replaces the access list of scratch\sub_path.
    void set_dacl(const wchar_t* sub_path, const wchar_t* sddl) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                           &descriptor, nullptr));
        HKEY raw = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(scratch_.get(), sub_path, 0, WRITE_DAC, &raw));
        EXPECT_EQ(ERROR_SUCCESS, ::RegSetKeySecurity(raw, DACL_SECURITY_INFORMATION, descriptor));
        ::RegCloseKey(raw);
        ::LocalFree(descriptor);
    }

    scratch_key scratch_;
    key root_;
};

TEST_F(KeyTest, OpenFailuresNameTheKeyOrHandleAndTheErrorCode) {
    EXPECT_EQ("RegOpenKeyEx() failed: key \"missing\" (2)",
              message_of<quill::registry2::key_error>([&] { key::open(root_, L"missing"); }));
    const HKEY bogus = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000010));
    EXPECT_EQ("RegOpenKeyEx() failed: handle -2147483632 (6)",
              message_of<quill::registry2::key_error>([&] { key::open_handle(bogus); }));
}

TEST_F(KeyTest, CreateMakesMissingKeysAndOpenFindsThem) {
    key created = key::open(root_, L"a\\b", true);
    created.set_dword(L"n", 7);
    created.close();
    EXPECT_EQ(7u, key::open(root_, L"a\\b").get_dword(L"n"));
}

TEST_F(KeyTest, OpenFallsBackToReadOnlyWhenWriteIsDenied) {
    scratch_.set_string(L"locked", L"v", L"text");
    // Everyone may read and delete the key, nobody may write to it.
    set_dacl(L"locked", L"D:P(A;;KR;;;WD)(A;;SD;;;WD)");

    key locked = key::open(root_, L"locked");
    EXPECT_EQ(L"text", locked.get_string(L"v"));
    EXPECT_EQ("RegSetValueEx() failed: value \"w\" (5)",
              message_of<quill::registry2::value_error>([&] { locked.set_string(L"w", L"no"); }));
}

TEST_F(KeyTest, CreateEnumerationAndReadFailuresNameTheirCall) {
    key closed = key::open(root_, L"", true);
    closed.close();
    EXPECT_EQ("RegEnumKeyEx() failed: handle 0 (6)",
              message_of<quill::registry2::key_error>([&] { closed.sub_keys(); }));
    EXPECT_EQ("RegEnumValue() failed: handle 0 (6)",
              message_of<quill::registry2::key_error>([&] { closed.value_names(); }));
    EXPECT_EQ("RegCreateKeyEx() failed: key \"sub\" (6)",
              message_of<quill::registry2::key_error>([&] { key::open(closed, L"sub", true); }));
    DWORD buffer = 0;
    EXPECT_EQ("RegQueryValueEx() failed: value \"absent\" (2)",
              message_of<quill::registry2::value_error>(
                  [&] { root_.read_raw(L"absent", &buffer, sizeof(buffer)); }));
}

TEST_F(KeyTest, EnumerationsAreSortedOrdinallyAndIncludeTheDefaultValue) {
    for (const wchar_t* name : {L"alpha", L"Zeta", L"beta", L"Omega"}) scratch_.create(name);
    EXPECT_EQ((quill::registry2::name_set{L"Omega", L"Zeta", L"alpha", L"beta"}), root_.sub_keys());
    EXPECT_TRUE(key::open(root_, L"alpha").sub_keys().empty());
    EXPECT_TRUE(key::open(root_, L"alpha").value_names().empty());

    scratch_.set_string(L"beta", L"", L"default");
    EXPECT_EQ((quill::registry2::name_set{L""}), key::open(root_, L"beta").value_names());
}

TEST_F(KeyTest, ValueNamesOfMoreThan259CharactersCannotBeEnumerated) {
    scratch_.set_dword(L"", std::wstring(300, L'v'), 1);
    EXPECT_EQ(0u, message_of<quill::registry2::key_error>([&] {
                      root_.value_names();
                  }).rfind("RegEnumValue() failed: handle ", 0));
}

TEST_F(KeyTest, GetStringHandlesTerminatorsAndOddSizes) {
    const wchar_t unterminated[] = L"abc";
    scratch_.set_raw(L"", L"unterminated", REG_SZ, unterminated, 6);
    const wchar_t doubled[] = L"abc\0";
    scratch_.set_raw(L"", L"doubled", REG_SZ, doubled, 10);
    scratch_.set_raw(L"", L"odd", REG_SZ, unterminated, 7);
    scratch_.set_raw(L"", L"odd, last byte not zero", REG_SZ, unterminated, 5);
    scratch_.set_raw(L"", L"empty", REG_SZ, L"", 0);
    scratch_.set_string(L"", L"plain", L"Velocore");

    EXPECT_EQ(L"abc", root_.get_string(L"unterminated"));
    EXPECT_EQ(std::wstring(L"abc\0", 4), root_.get_string(L"doubled"));
    EXPECT_EQ(L"abc", root_.get_string(L"odd"));
    EXPECT_EQ(L"ab", root_.get_string(L"odd, last byte not zero"));
    EXPECT_EQ(L"", root_.get_string(L"empty"));
    EXPECT_EQ(L"Velocore", root_.get_string(L"plain"));
}

TEST_F(KeyTest, GetStringExpandsEnvironmentReferencesOfAnyLength) {
    ASSERT_TRUE(::SetEnvironmentVariableW(L"KORVE_TEST_DIR", L"C:\\Kestrana"));
    scratch_.set_string(L"", L"path", L"%KORVE_TEST_DIR%\\Velocore", REG_EXPAND_SZ);
    EXPECT_EQ(L"C:\\Kestrana\\Velocore", root_.get_string(L"path"));

    // One variable holds at most 32767 characters and the system expands at most 32768:
    // just below the limit works, beyond it is an error rather than a cut text.
    const std::wstring long_value(16000, L'x');
    ASSERT_TRUE(::SetEnvironmentVariableW(L"KORVE_TEST_LONG", long_value.c_str()));
    scratch_.set_string(L"", L"long", L"%KORVE_TEST_LONG%%KORVE_TEST_LONG%!", REG_EXPAND_SZ);
    EXPECT_EQ(long_value + long_value + L"!", root_.get_string(L"long"));
    scratch_.set_string(L"", L"too long", L"%KORVE_TEST_LONG%%KORVE_TEST_LONG%%KORVE_TEST_LONG%",
                        REG_EXPAND_SZ);
    EXPECT_EQ("ExpandEnvironmentStrings() failed: value \"too long\" (122)",
              message_of<quill::registry2::value_error>([&] { root_.get_string(L"too long"); }));
    ::SetEnvironmentVariableW(L"KORVE_TEST_DIR", nullptr);
    ::SetEnvironmentVariableW(L"KORVE_TEST_LONG", nullptr);
}

TEST_F(KeyTest, TypedReadsReportMissingValuesAndMismatches) {
    scratch_.set_dword(L"", L"number", 4);
    const WORD short_value = 1;
    scratch_.set_raw(L"", L"short", REG_DWORD, &short_value, sizeof(short_value));
    scratch_.set_string(L"", L"text", L"x");

    EXPECT_EQ("Type mismatch: value \"number\" expected 1 found 4",
              message_of<quill::registry2::type_mismatch>([&] { root_.get_string(L"number"); }));
    EXPECT_EQ("Not found: value \"missing\"",
              message_of<quill::registry2::value_error>([&] { root_.get_string(L"missing"); }));
    EXPECT_EQ("Size mismatch: value \"short\" expected 4 found 2",
              message_of<quill::registry2::size_mismatch>([&] { root_.get_dword(L"short"); }));
    EXPECT_EQ("Type mismatch: value \"text\" expected 4 found 1",
              message_of<quill::registry2::type_mismatch>([&] { root_.get_dword(L"text"); }));
    EXPECT_EQ(4u, root_.get_dword(L"number"));
}

TEST_F(KeyTest, PeekLeavesTypeZeroForAMissingValue) {
    DWORD type = 0xBD;
    DWORD size = 0xBD;
    EXPECT_FALSE(root_.peek(L"missing", type, size));
    EXPECT_EQ(0u, type);
    scratch_.set_string(L"", L"text", L"abc");
    EXPECT_TRUE(root_.peek(L"text", type, size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(8u, size);
}

TEST_F(KeyTest, ReadRawFillsExactlyTheExpectedBytes) {
    const BYTE data[] = {1, 2, 3};
    scratch_.set_raw(L"", L"bin", REG_BINARY, data, sizeof(data));
    BYTE buffer[5] = {0xBD, 0xBD, 0xBD, 0xBD, 0xBD};
    root_.read_raw(L"bin", buffer, 3);
    EXPECT_EQ(3, buffer[2]);
    EXPECT_EQ(0xBD, buffer[3]) << "nothing written past the expected size";
    EXPECT_EQ(
        "Size mismatch: value \"bin\" expected 2 found 3",
        message_of<quill::registry2::size_mismatch>([&] { root_.read_raw(L"bin", buffer, 2); }));
}

TEST_F(KeyTest, WritesStoreTypesAndSizesIncludingTheTerminator) {
    root_.set_string(L"s", L"abc");
    root_.set_dword(L"d", 0xDEADBEEF);
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_TRUE(root_.peek(L"s", type, size));
    EXPECT_EQ(8u, size);
    EXPECT_EQ(L"abc", root_.get_string(L"s"));
    EXPECT_EQ(0xDEADBEEFu, root_.get_dword(L"d"));
}

TEST_F(KeyTest, DeleteValueOfAMissingValueIsAKeyError) {
    EXPECT_EQ("RegDeleteValue() failed: value \"missing\" (2)",
              message_of<quill::registry2::key_error>([&] { root_.delete_value(L"missing"); }));
    scratch_.set_string(L"", L"v", L"x");
    root_.delete_value(L"v");
    EXPECT_FALSE(scratch_.value_exists(L"", L"v"));
}

TEST_F(KeyTest, RecursiveDeleteRemovesTheWholeTree) {
    scratch_.set_string(L"tree\\a\\deep\\deeper", L"v", L"x");
    scratch_.create(L"tree\\b");
    scratch_.create(L"sibling");
    root_.delete_key(L"tree", true);
    EXPECT_FALSE(scratch_.exists(L"tree"));
    EXPECT_TRUE(scratch_.exists(L"sibling"));
}

TEST_F(KeyTest, RecursiveDeleteOfAMissingKeyReportsTheOpenError) {
    EXPECT_EQ("RegOpenKeyEx() failed: key \"missing\" (2)",
              message_of<quill::registry2::key_error>([&] { root_.delete_key(L"missing", true); }));
    EXPECT_EQ(
        "RegDeleteKey() failed: key \"missing\" (2)",
        message_of<quill::registry2::key_error>([&] { root_.delete_key(L"missing", false); }));
}

TEST_F(KeyTest, NameTheAnsiCodePageCannotHoldIsShownLossilyInTheRegistryError) {
    EXPECT_EQ(
        "RegOpenKeyEx() failed: key \"C:\\?\\x.dll\" (2)",
        message_of<quill::registry2::key_error>([&] { key::open(root_, L"C:\\\u0416\\x.dll"); }));
    EXPECT_EQ("RegDeleteValue() failed: value \"?\" (2)",
              message_of<quill::registry2::key_error>([&] { root_.delete_value(L"\u0416"); }));
}

// Sorted children a, b (its access list refuses everything; Wine 8 does not check DELETE in
// a key's access list, so listing is what it refuses), c.
TEST_F(KeyTest, RecursiveDeleteThatFailsPartWayKeepsWhatWentAndStopsAtTheError) {
    for (const wchar_t* child : {L"tree\\a\\deep", L"tree\\b", L"tree\\c"}) scratch_.create(child);
    set_dacl(L"tree\\b", L"D:P");
    EXPECT_EQ("RegOpenKeyEx() failed: key \"b\" (5)",
              message_of<quill::registry2::key_error>([&] { root_.delete_key(L"tree", true); }));
    set_dacl(L"tree\\b", L"D:P(A;;KA;;;WD)");
    EXPECT_FALSE(scratch_.exists(L"tree\\a"));
    EXPECT_TRUE(scratch_.exists(L"tree\\b"));
    EXPECT_TRUE(scratch_.exists(L"tree\\c"));
}

// Links inside the tree and the tree's own name: one to a precious key, one back to an
// ancestor. Each goes as a link; the precious key keeps its value; the loop ends.
TEST_F(KeyTest, RecursiveDeleteRemovesLinksAsLinksAndNeverTheirTargets) {
    scratch_.set_string(L"precious\\inside", L"v", L"keep");
    scratch_.create(L"tree\\plain");
    const std::wstring base = scratch_.path() + L"\\";
    const registry_link to_precious(HKEY_CURRENT_USER, base + L"tree\\to precious",
                                    HKEY_CURRENT_USER, base + L"precious");
    const registry_link loop(HKEY_CURRENT_USER, base + L"tree\\plain\\loop", HKEY_CURRENT_USER,
                             base + L"tree");
    const registry_link named(HKEY_CURRENT_USER, base + L"named", HKEY_CURRENT_USER,
                              base + L"precious");
    root_.delete_key(L"tree", true);
    root_.delete_key(L"named", true);
    EXPECT_FALSE(scratch_.exists(L"tree"));
    EXPECT_FALSE(to_precious.exists());
    EXPECT_FALSE(named.exists());
    EXPECT_TRUE(scratch_.value_exists(L"precious\\inside", L"v"));

    const registry_link link(HKEY_CURRENT_USER, base + L"link", HKEY_CURRENT_USER,
                             base + L"precious");
    EXPECT_TRUE(key::open_as_is(root_, L"link").is_link());
    EXPECT_FALSE(key::open(root_, L"link").is_link()) << "open follows the link";
    EXPECT_FALSE(key::open_as_is(root_, L"precious").is_link());
    EXPECT_EQ("RegOpenKeyEx() failed: key \"link\\inside\" (4395)",
              message_of<quill::registry2::key_error>(
                  [&] { key::open_path_as_is(root_, L"link\\inside"); }));
    EXPECT_TRUE(key::open_path_as_is(root_, L"precious\\inside").value_names().count(L"v"));
}

// The code beside the message tells a missing key or value from a refused one.
TEST_F(KeyTest, TryFormsAndErrorsGiveTheSystemsCode) {
    scratch_.create(L"refused");
    set_dacl(L"refused", L"D:P");

    const auto code_of = [](const std::function<void()>& action) -> LONG {
        try {
            action();
        } catch (const quill::registry2::generic& error) {
            return error.code();
        }
        return -1;
    };
    key opened;
    const struct {
        const char* what;
        LONG tried;
        LONG thrown;
        LONG expected;
    } cases[] = {
        {"missing key", key::try_open(root_, L"missing", opened),
         code_of([&] { key::open(root_, L"missing"); }), ERROR_FILE_NOT_FOUND},
        {"refused key", key::try_open(root_, L"refused", opened),
         code_of([&] { key::open(root_, L"refused"); }), ERROR_ACCESS_DENIED},
        {"missing path", key::try_open_path_as_is(root_, L"missing\\deeper", opened),
         code_of([&] { key::open_path_as_is(root_, L"missing\\deeper"); }), ERROR_FILE_NOT_FOUND},
        {"missing value", root_.try_delete_value(L"missing"),
         code_of([&] { root_.get_string(L"missing"); }), ERROR_FILE_NOT_FOUND},
        {"missing sub-key", root_.try_delete_key(L"missing"),
         code_of([&] { root_.delete_key(L"missing"); }), ERROR_FILE_NOT_FOUND},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(row.expected, row.tried) << row.what;
        EXPECT_EQ(row.expected, row.thrown) << row.what;
    }
    EXPECT_FALSE(opened.valid());
    set_dacl(L"refused", L"D:P(A;;KA;;;WD)");
}

LONG WINAPI refuse_query(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD) {
    return ERROR_ACCESS_DENIED;
}

// A key whose link value cannot be asked for counts as a link wherever the answer decides.
TEST_F(KeyTest, IsLinkTellsLinksPlainKeysAndKeysItCannotAsk) {
    scratch_.create(L"plain\\inside");
    const registry_link link(HKEY_CURRENT_USER, scratch_.path() + L"\\link", HKEY_CURRENT_USER,
                             scratch_.path() + L"\\plain");
    quill::registry2::functions refusing = quill::registry2::system_functions();
    refusing.query_value = refuse_query;
    const key unaskable =
        key::open_handle(scratch_.get(), quill::registry2::view::process, refusing);

    EXPECT_EQ(quill::registry2::a_link, key::open_as_is(root_, L"link").is_link());
    EXPECT_EQ(quill::registry2::not_a_link, key::open_as_is(root_, L"plain").is_link());
    EXPECT_EQ(quill::registry2::could_not_tell, unaskable.is_link());
    key opened;
    EXPECT_EQ(4395, key::try_open_path_as_is(unaskable, L"plain\\inside", opened))
        << "refused like a link, by the table of the key it was opened from";
}

// A key written in the 32-bit view is seen through keys opened in that view and their
// children, not through the 64-bit view.
TEST(KeyViewTest, KeysOpenedInAViewPassItToTheKeysBelowThem) {
    using quill::registry2::view;
    const std::wstring path = L"Software\\KORVETests\\registry2-view";
    korve::test::delete_tree_if_present(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY);
    const key machine32 = key::open_handle(HKEY_LOCAL_MACHINE, view::bit32);
    key::open(machine32, path + L"\\child", true).set_dword(L"n", 32);

    const key parent = key::open(machine32, path);
    EXPECT_EQ(view::bit32, parent.in_view());
    EXPECT_EQ(32u, key::open(parent, L"child").get_dword(L"n"));
    EXPECT_EQ(32u, key::open_path_as_is(machine32, path + L"\\child").get_dword(L"n"));
    EXPECT_EQ(quill::registry2::name_set{L"child"}, parent.sub_keys());
    key in_64;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key::try_open(key::open_handle(HKEY_LOCAL_MACHINE, view::bit64),
                                                  path + L"\\child", in_64));
    EXPECT_EQ(ERROR_SUCCESS,
              korve::test::delete_tree_if_present(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY));
}

}  // namespace
