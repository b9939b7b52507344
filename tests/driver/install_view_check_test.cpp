// Before it removes anything, each build looks for the product's registration in its own
// registry view and in the other one; only a registration in the other view alone stops it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "quill/handle.h"
#include "tests/support/child_process.h"
#include "tests/support/registry_link.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/scratch_key.h"
#include "tests/support/text_file.h"

namespace {

constexpr bool kBuiltFor64Bit = sizeof(void*) == 8;
constexpr REGSAM kOwnView = kBuiltFor64Bit ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
constexpr REGSAM kOtherView = kBuiltFor64Bit ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
const wchar_t* const kBrandKey = L"Software\\Kestrana";
const wchar_t* const kProductKey = L"Software\\Kestrana\\KORVE";
const wchar_t* const kUninstall = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool exists_in_view(const std::wstring& path, REGSAM view) {
    HKEY key = nullptr;
    const LONG result =
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), REG_OPTION_OPEN_LINK, view, &key);
    if (key != nullptr) ::RegCloseKey(key);
    return result != ERROR_FILE_NOT_FOUND;
}

// The product's key in one view (the test helpers name none); it goes at the end, and so
// does the brand key when the test made it and it is empty.
class product_key_in_view {
  public:
    explicit product_key_in_view(REGSAM view) : view_(view) {
        brand_made_ = !exists_in_view(kBrandKey, view);
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS,
                  ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0,
                                    KEY_CREATE_SUB_KEY | view, nullptr, &key, nullptr));
        if (key != nullptr) ::RegCloseKey(key);
    }
    ~product_key_in_view() {
        korve::test::delete_tree_if_present(HKEY_LOCAL_MACHINE, kProductKey, view_);
        if (brand_made_) ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kBrandKey, view_, 0);
    }
    product_key_in_view(const product_key_in_view&) = delete;
    product_key_in_view& operator=(const product_key_in_view&) = delete;

  private:
    REGSAM view_;
    bool brand_made_ = false;
};

struct row {
    const char* folder;
    enum { product_key, uninstall_link } registration;
    bool also_in_own_view;
    bool stops;
};

TEST(InstallViewCheckTest, OnlyARegistrationInTheOtherViewAloneStopsTheRun) {
    const std::string line =
        kBuiltFor64Bit ? "Velocore is installed as a 32-bit program: run the x86 KORVERemover.exe"
                       : "Velocore is installed as a 64-bit program: run the x64 KORVERemover.exe";
    const row rows[] = {
        {"view-other-key", row::product_key, false, true},
        {"view-other-link", row::uninstall_link, false, true},
        {"view-both", row::product_key, true, false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.folder);
        std::unique_ptr<product_key_in_view> own, other;
        quill::unique_hkey uninstall;  // the other view's list, which holds the link
        std::unique_ptr<korve::test::registry_link> link;
        if (r.also_in_own_view) own = std::make_unique<product_key_in_view>(kOwnView);
        if (r.registration == row::product_key) {
            other = std::make_unique<product_key_in_view>(kOtherView);
        } else {
            ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstall, 0,
                                                     KEY_ALL_ACCESS | kOtherView, uninstall.put()));
            link = std::make_unique<korve::test::registry_link>(
                uninstall.get(), L"Velocore", HKEY_LOCAL_MACHINE, L"Software\\KORVETestsNowhere");
        }

        korve::test::scratch_folder folder(r.folder);
        const auto run = korve::test::run_child(
            "\"" + korve::test::beside_test_executable("entry_box_reader.exe") + "\"",
            folder.path(), 120000);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(0u, run.exit_code);
        std::vector<std::string> boxes;  // caption|text|icon
        for (const std::string& out : korve::test::split_crlf_lines(run.output)) {
            if (out.compare(0, 6, "[box] ") == 0) boxes.push_back(out.substr(6));
        }
        std::vector<std::string> texts;
        for (const std::string& logged : korve::test::split_crlf_lines(
                 korve::test::read_file(folder / "KORVERemover.log.txt").substr(3))) {
            texts.push_back(korve::test::without_prefix(logged));
        }
        const bool removed =
            std::count(texts.begin(), texts.end(), "**** Close running application ****") > 0;
        const bool offered = !boxes.empty() && boxes.back().rfind("Velocore support|", 0) == 0;
        EXPECT_TRUE(offered) << "the log is offered as at the end of every run";
        if (r.stops) {
            EXPECT_FALSE(removed);
            ASSERT_FALSE(texts.empty());
            EXPECT_EQ(line, texts.back());
            ASSERT_EQ(2u, boxes.size());
            EXPECT_EQ("KORVERemover|" + line + "|48", boxes[0]);
            EXPECT_TRUE(link ? link->exists() : exists_in_view(kProductKey, kOtherView));
        } else {
            EXPECT_TRUE(removed);
            EXPECT_EQ(1u, boxes.size());
        }
    }
}

}  // namespace
