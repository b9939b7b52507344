#include "suite/shared_tray_remover.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "quill/exception.h"
#include "quill/handle.h"
#include "quill/unicode/conversion.h"
#include "tests/suite/tray_footprint.h"
#include "tests/support/remover.h"
#include "tests/support/saved_key.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/text_file.h"
#include "tests/support/unix_link.h"

namespace {

using korve::test::contains;
using korve::test::make_folder;
using korve::test::path_exists;
using korve::test::write_file;

constexpr DWORD kTerminated = 255;
constexpr DWORD kQuit = 0;

// The log file holds UTF-8.
std::string utf8(const std::string& ansi) {
    return quill::unicode::to_narrow(korve::test::wide_path(ansi), quill::unicode::utf8_codepage);
}

DWORD wait_for_exit(const korve::test::started_process& process, DWORD milliseconds) {
    return process.wait_for_exit(milliseconds) ? process.exit_code() : STILL_ACTIVE;
}

// A key of the 64-bit registry view below HKEY_LOCAL_MACHINE that the test creates and removes
// again, with the parents it had to create.
class native_view_key {
  public:
    explicit native_view_key(const std::wstring& path) : path_(path) {
        for (std::size_t end = path.find(L'\\', path.find(L'\\') + 1);;
             end = path.find(L'\\', end + 1)) {
            const std::wstring part = path.substr(0, end);
            if (!exists(part)) {
                created_.push_back(part);
                quill::unique_hkey key;
                EXPECT_EQ(ERROR_SUCCESS,
                          ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, part.c_str(), 0, nullptr, 0,
                                            KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.put(),
                                            nullptr));
            }
            if (end == std::wstring::npos) break;
        }
    }
    ~native_view_key() {
        for (auto part = created_.rbegin(); part != created_.rend(); ++part) {
            ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, part->c_str(), KEY_WOW64_64KEY, 0);
        }
    }
    native_view_key(const native_view_key&) = delete;
    native_view_key& operator=(const native_view_key&) = delete;

    bool exists() const { return exists(path_); }

  private:
    static bool exists(const std::wstring& path) {
        quill::unique_hkey key;
        return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY,
                               key.put()) == ERROR_SUCCESS;
    }

    std::wstring path_;
    std::vector<std::wstring> created_;
};

// Points a system folder elsewhere for the test's duration: `name` is its value under
// "User Shell Folders" of the user's ("AppData") or the machine's ("Common AppData") hive.
// Asking the system for the folder writes it to "Shell Folders" as well, which the product
// cleanup steps read: that key is put back too.
class shell_folder_override {
  public:
    shell_folder_override(HKEY root, const wchar_t* name, const std::wstring& folder)
        : shell_values_(root, kShellFolders, korve::test::saved_key::keep), name_(name) {
        EXPECT_EQ(ERROR_SUCCESS,
                  ::RegOpenKeyExW(root, kUserShellFolders, 0, KEY_ALL_ACCESS, folders_.put()));
        DWORD size = static_cast<DWORD>(saved_.size());
        had_value_ = ::RegQueryValueExW(folders_.get(), name_, nullptr, &type_, saved_.data(),
                                        &size) == ERROR_SUCCESS;
        saved_.resize(had_value_ ? size : 0);
        EXPECT_EQ(ERROR_SUCCESS,
                  ::RegSetValueExW(folders_.get(), name_, 0, REG_EXPAND_SZ,
                                   reinterpret_cast<const BYTE*>(folder.c_str()),
                                   static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))));
    }
    ~shell_folder_override() {
        if (had_value_) {
            ::RegSetValueExW(folders_.get(), name_, 0, type_, saved_.data(),
                             static_cast<DWORD>(saved_.size()));
        } else {
            ::RegDeleteValueW(folders_.get(), name_);
        }
    }
    shell_folder_override(const shell_folder_override&) = delete;
    shell_folder_override& operator=(const shell_folder_override&) = delete;

  private:
    static constexpr const wchar_t* kUserShellFolders =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    static constexpr const wchar_t* kShellFolders =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    const korve::test::saved_key shell_values_;
    const wchar_t* name_;
    quill::unique_hkey folders_;
    DWORD type_ = 0;
    std::vector<BYTE> saved_ = std::vector<BYTE>(4096);
    bool had_value_ = false;
};

class SharedTrayRemoverTest : public ::testing::Test {
  protected:
    // The tray as the suite installs it, with this product's and `others`' configurations.
    void install_tray(const std::vector<std::string>& others, bool HtmlLibrary) {
        make_folder(place_.ConfigurationFolder());
        write_file(place_.ConfigurationFolder() + "\\KORVE.xml", "<config/>");
        write_file(place_.ConfigurationFolder() + "\\pmtray.xml", "<config/>");
        for (const std::string& name : others) {
            write_file(place_.ConfigurationFolder() + "\\" + name, "<config/>");
        }
        make_folder(place_.program_folder() + "HTML\\gfx");
        write_file(icon(), "png");
        write_file(place_.program_folder() + "HTML\\gfx\\Icon_PMTRAY-UPD-CORVO.png", "png");
        ASSERT_TRUE(::CopyFileA(place_.built_tray().c_str(), program().c_str(), FALSE));
        if (HtmlLibrary) write_file(place_.program_folder() + "qvhtml.dll", "MZ");
        make_folder(place_.shared_data_folder());
        write_file(place_.shared_data_folder() + "\\cache.dat", "data");
        make_folder(place_.user_data_folder());
        write_file(place_.user_data_folder() + "\\user.dat", "data");
        // Names in Cyrillic, which the ANSI code page cannot spell, go with their folders.
        write_file(korve::test::wide_path(place_.program_folder()) +
                       L"HTML\\\u0421\u043F\u0440\u0430\u0432\u043A\u0430.htm",
                   "<html/>");
        for (const std::string& data : {place_.shared_data_folder(), place_.user_data_folder()}) {
            const std::wstring folder =
                korve::test::wide_path(data) + L"\\\u0416\u0443\u0440\u043D\u0430\u043B";
            make_folder(folder);
            write_file(folder + L"\\\u0437\u0430\u043F\u0438\u0441\u044C.log", "log");
        }

        place_.create_key(L"Software\\Kestrana\\Tray\\Settings");
        place_.create_key(L"Software\\Kestrana\\Corvo");
        place_.set_run_value(korve::test::wide_path(program()));
        place_.set_counter(exe_counter(), 2);
        place_.set_counter(dll_counter(), 2);
    }

    std::vector<std::string> remove_tray() {
        {
            korve::suite::SharedTrayRemover remover(L"Kestrana", L"Tray", L"KORVE",
                                                    L"KestranaTray.exe");
            const ULONGLONG started = ::GetTickCount64();
            remover.RemoveSharedTray();
            elapsed_ = ::GetTickCount64() - started;
        }
        return korve::test::log_texts(work_);
    }

    std::string configuration_file() const {
        return place_.common_app_data() + "\\Kestrana\\Tray\\Configurations\\KORVE.xml";
    }
    std::string icon() const {
        return place_.program_folder() + "HTML\\gfx\\Icon_PMTRAY-UPD-KORVE.png";
    }
    std::string program() const { return place_.program_folder() + "KestranaTray.exe"; }
    std::wstring exe_counter() const { return korve::test::wide_path(program()); }
    std::wstring dll_counter() const {
        return korve::test::wide_path(place_.program_folder() + "qvhtml.dll");
    }

    std::vector<std::string> counter_lines(int count) const {
        return {"Fixing Pellam Tray counters in SharedDLLs",
                "Number of products with Pellam Tray according to configurations files: " +
                    std::to_string(count),
                "Conters of Pellam Tray fils in SharedDLLs key:", "   " + utf8(program()) + " - 2",
                "   " + utf8(place_.program_folder()) + "qvhtml.dll - 2"};
    }

    korve::test::scratch_folder work_{"suite-tray", korve::test::folder_use::current_directory};
    korve::test::tray_footprint place_;
    ULONGLONG elapsed_ = 0;
};

TEST_F(SharedTrayRemoverTest, LastProductAsksTheTrayToQuitAndRemovesEverythingOfIt) {
    // The tray is a 32-bit program: a key of the same name in the 64-bit view is not its own.
    const native_view_key native_tray(L"Software\\Kestrana\\Tray\\Native");
    install_tray({}, true);
    const auto& tray = place_.start_tray(program(), true);
    // The quitting instance tells where it was started: never in the run's current folder.
    const std::string record = work_ / "tray-folder.txt";
    ::SetEnvironmentVariableA("KESTRANA_TRAY_RECORD", record.c_str());

    std::vector<std::string> expected = {
        "   " + configuration_file() + " removed",
        "   " + icon() + " removed",
        "Number of prosucts = 0",
        "Quiting Tray: " + program(),
        "Closing running process: " + program(),
        "Process: " + program() + " closed successfully",
        ". Folder '" + place_.program_folder() + "' was removed",
        ". Folder '" + place_.shared_data_folder() + "' was removed",
        ". Folder '" + place_.user_data_folder() + "' was removed",
        "Cleaning registry: HKLM\\Software\\Kestrana\\Tray",
        "Cleaning registry: HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\PellamTray",
    };
    for (const std::string& line : counter_lines(0)) expected.push_back(line);
    expected.push_back("Removed registry value " + program());
    expected.push_back("Removed registry value " + place_.program_folder() + "qvhtml.dll");
    EXPECT_EQ(expected, remove_tray());
    ::SetEnvironmentVariableA("KESTRANA_TRAY_RECORD", nullptr);

    EXPECT_EQ(kQuit, wait_for_exit(tray, 0)) << "ended by the /quit request, not terminated";
    EXPECT_EQ(place_.program_folder(), korve::test::read_file(record) + "\\");
    EXPECT_FALSE(path_exists(place_.program_folder()));
    EXPECT_FALSE(path_exists(place_.ConfigurationFolder())) << "inside the shared data folder";
    EXPECT_FALSE(path_exists(place_.user_data_folder()));
    EXPECT_FALSE(place_.key_exists(L"Software\\Kestrana\\Tray"));
    EXPECT_TRUE(place_.key_exists(L"Software\\Kestrana\\Corvo")) << "another product's key";
    EXPECT_FALSE(place_.run_value_exists());
    EXPECT_TRUE(native_tray.exists()) << "the 64-bit view is never touched";
    EXPECT_FALSE(place_.counter_exists(exe_counter()));
    EXPECT_FALSE(place_.counter_exists(dll_counter()));
}

TEST_F(SharedTrayRemoverTest, AnotherProductKeepsTheTrayAndTheCountersFollowIt) {
    install_tray({"corvo.xml"}, true);
    const auto& tray = place_.start_tray(program(), true);

    std::vector<std::string> expected = {
        "   " + configuration_file() + " removed",
        "   " + icon() + " removed",
        "Number of prosucts = 1",
    };
    for (const std::string& line : counter_lines(1)) expected.push_back(line);
    expected.push_back(program() + " is set to 1");
    expected.push_back(place_.program_folder() + "qvhtml.dll is set to 1");
    EXPECT_EQ(expected, remove_tray());

    EXPECT_EQ(STILL_ACTIVE, wait_for_exit(tray, 0)) << "the tray keeps running";
    EXPECT_FALSE(path_exists(configuration_file()));
    EXPECT_TRUE(path_exists(place_.ConfigurationFolder() + "\\corvo.xml"));
    EXPECT_TRUE(path_exists(place_.program_folder() + "HTML\\gfx\\Icon_PMTRAY-UPD-CORVO.png"));
    EXPECT_TRUE(path_exists(place_.user_data_folder()));
    EXPECT_TRUE(place_.key_exists(L"Software\\Kestrana\\Tray"));
    EXPECT_TRUE(place_.run_value_exists());
    EXPECT_EQ(1u, place_.counter(exe_counter()));
    EXPECT_EQ(1u, place_.counter(dll_counter()));
}

// Any user may hold the configuration folder open without sharing: a listing that fails may
// have missed another product's file, so nothing of the tray is touched.
TEST_F(SharedTrayRemoverTest, ConfigurationFolderThatCannotBeListedKeepsTheTray) {
    install_tray({"corvo.xml"}, true);
    const quill::unique_file held(::CreateFileA(place_.ConfigurationFolder().c_str(), GENERIC_READ,
                                                0, nullptr, OPEN_EXISTING,
                                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(held.valid()) << ::GetLastError();

    const std::vector<std::string> texts = remove_tray();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ("FAILED TO count products in '" + place_.common_app_data() +
                  "\\Kestrana\\Tray\\Configurations' (32) !",
              texts.back())
        << "a sharing violation, and nothing after it";
    EXPECT_TRUE(path_exists(program()));
    EXPECT_TRUE(place_.key_exists(L"Software\\Kestrana\\Tray"));
    EXPECT_TRUE(place_.run_value_exists());
    EXPECT_EQ(2u, place_.counter(exe_counter()));
}

TEST_F(SharedTrayRemoverTest, FilesThatCannotBeDeletedAreReportedAndTheStepGoesOn) {
    install_tray({"corvo.xml"}, true);
    ASSERT_TRUE(::DeleteFileA(configuration_file().c_str()));
    ASSERT_TRUE(::DeleteFileA(icon().c_str()));

    std::vector<std::string> expected = {
        "FAILED TO remove '" + configuration_file() + "' !",
        "FAILED TO remove '" + icon() + "' !",
        "Number of prosucts = 1",
    };
    for (const std::string& line : counter_lines(1)) expected.push_back(line);
    expected.push_back(program() + " is set to 1");
    expected.push_back(place_.program_folder() + "qvhtml.dll is set to 1");
    EXPECT_EQ(expected, remove_tray());
    EXPECT_EQ(1u, place_.counter(exe_counter()));
}

TEST_F(SharedTrayRemoverTest, WithoutTheHtmlLibraryTheTrayIsTerminated) {
    install_tray({}, false);
    const auto& tray = place_.start_tray(program(), false);

    const std::vector<std::string> texts = remove_tray();
    const std::vector<std::string> expected = {
        "Number of prosucts = 0",
        "Terminate running process: " + program(),
        "Dealing with 'KestranaTray.exe' process ....",
        "Process with name 'KestranaTray.exe' is running, let us close it",
        "Closing running process: " + program(),
        "Process: " + program() + " closed successfully",
        ". Folder '" + place_.program_folder() + "' was removed",
    };
    ASSERT_GE(texts.size(), 9u);
    EXPECT_EQ(expected, std::vector<std::string>(texts.begin() + 2, texts.begin() + 9));
    EXPECT_EQ(kTerminated, wait_for_exit(tray, 5000));
    EXPECT_FALSE(path_exists(place_.program_folder()));
}

TEST_F(SharedTrayRemoverTest, TrayIgnoringTheQuitRequestIsWaitedForFifteenChecksOnly) {
    install_tray({}, true);
    // A copy outside the tray folder, so that the folder removal is not held up by it.
    korve::test::scratch_folder elsewhere("suite-stubborn-tray");
    const std::string stubborn = elsewhere / "KestranaTray.exe";
    ASSERT_TRUE(::CopyFileA(place_.built_tray().c_str(), stubborn.c_str(), FALSE));
    const auto& tray = place_.start_tray(stubborn, false);

    const std::vector<std::string> texts = remove_tray();
    EXPECT_GE(elapsed_, 14000u) << "15 checks with a pause of a second after each";
    EXPECT_LT(elapsed_, 25000u);
    EXPECT_TRUE(contains(texts, "Process: " + program() + " closed successfully"));
    EXPECT_TRUE(contains(texts, ". Folder '" + place_.program_folder() + "' was removed"));
    EXPECT_TRUE(contains(texts, "Removed registry value " + program()));
    EXPECT_EQ(STILL_ACTIVE, wait_for_exit(tray, 0)) << "not pursued after the wait";
}

TEST_F(SharedTrayRemoverTest, MissingTrayProgramIsAskedToQuitWithoutAnyBox) {
    install_tray({}, true);
    ASSERT_TRUE(::DeleteFileA(program().c_str()));

    const std::vector<std::string> texts = remove_tray();
    EXPECT_TRUE(contains(texts, "Quiting Tray: " + program()));
    EXPECT_TRUE(contains(texts, "Process: " + program() + " closed successfully"));
    EXPECT_TRUE(contains(texts, ". Folder '" + place_.program_folder() + "' was removed"));
    EXPECT_LT(elapsed_, 5000u) << "nothing to wait for";
}

// The registry unit ends at its first error; the counters are repaired in every case.
TEST_F(SharedTrayRemoverTest, RegistryUnitEndsAtItsFirstError) {
    const struct {
        const char* title;
        bool brand_key;
        bool tray_key;
        bool run_value;
        bool tray_line;
        bool run_line;
    } cases[] = {
        {"brand key missing", false, false, true, false, false},
        {"no Tray sub-key", true, false, true, false, false},
        {"no PellamTray value", true, true, false, true, false},
        {"everything present", true, true, true, true, true},
    };
    const std::string tray_line = "Cleaning registry: HKLM\\Software\\Kestrana\\Tray";
    const std::string run_line =
        "Cleaning registry: HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\PellamTray";
    for (const auto& test : cases) {
        SCOPED_TRACE(test.title);
        korve::test::scratch_folder work(std::string("suite-tray-registry"),
                                         korve::test::folder_use::current_directory);
        if (test.brand_key) place_.create_key(L"Software\\Kestrana\\Other");
        if (test.tray_key) place_.create_key(L"Software\\Kestrana\\Tray\\Settings");
        if (test.run_value) {
            place_.set_run_value(L"tray.exe");
        } else {
            place_.remove_run_value();
        }
        place_.set_counter(exe_counter(), 2);

        {
            korve::suite::SharedTrayRemover remover(L"Kestrana", L"Tray", L"KORVE",
                                                    L"KestranaTray.exe");
            const ULONGLONG started = ::GetTickCount64();
            remover.RemoveSharedTray();
            elapsed_ = ::GetTickCount64() - started;
        }
        const std::vector<std::string> texts = korve::test::log_texts(work);
        EXPECT_EQ(test.tray_line, contains(texts, tray_line));
        EXPECT_EQ(test.run_line, contains(texts, run_line));
        EXPECT_FALSE(place_.key_exists(L"Software\\Kestrana\\Tray"));
        EXPECT_EQ(test.run_value && !test.run_line, place_.run_value_exists());
        EXPECT_TRUE(contains(texts, "Removed registry value " + program()));
        EXPECT_FALSE(place_.counter_exists(exe_counter()));
        // Nothing configured, nothing running: the tray is sought once, without a pause.
        EXPECT_TRUE(contains(texts, "Number of prosucts = 0"));
        EXPECT_TRUE(contains(texts, "Process with name 'KestranaTray.exe' is NOT running ..."));
        EXPECT_LT(elapsed_, 1000u);
    }
}

// Only registry errors are the step's own to drop; a system folder that cannot be had ends it.
TEST_F(SharedTrayRemoverTest, UnavailableSystemFolderEndsTheStepWithItsError) {
    korve::test::scratch_folder profile("suite-no-appdata");
    const shell_folder_override missing(HKEY_CURRENT_USER, L"AppData",
                                        korve::test::wide_path(profile / "Missing"));
    install_tray({}, false);
    korve::suite::SharedTrayRemover remover(L"Kestrana", L"Tray", L"KORVE", L"KestranaTray.exe");
    try {
        remover.RemoveSharedTray();
        GTEST_SKIP() << "this system gives a missing application data folder without error";
    } catch (const quill::exception& error) {
        EXPECT_STREQ("Error in ::SHGetFolderPath( 0, CSIDL=26 ....", error.message());
    }
    EXPECT_TRUE(place_.key_exists(L"Software\\Kestrana\\Tray"))
        << "the registry part is not reached";
    EXPECT_EQ(2u, place_.counter(exe_counter())) << "nor the counter repair";
}

// System folders whose names hold a letter beyond ASCII (a profile named José): the tray's
// files are found, counted and logged under their real names.
TEST_F(SharedTrayRemoverTest, FoldersWithNonAsciiNamesAreFoundAndLoggedAsTheyAre) {
    korve::test::scratch_folder profile("suite-Jos\xE9");
    const std::string common = profile / "ProgramData";
    const std::string roaming = profile / "Roaming";
    const shell_folder_override common_redirected(HKEY_LOCAL_MACHINE, L"Common AppData",
                                                  korve::test::wide_path(common));
    const shell_folder_override user_redirected(HKEY_CURRENT_USER, L"AppData",
                                                korve::test::wide_path(roaming));
    const std::string configurations = common + "\\Kestrana\\Tray\\Configurations";
    make_folder(configurations);
    write_file(configurations + "\\KORVE.xml", "<config/>");
    write_file(configurations + "\\corvo.xml", "<config/>");
    make_folder(roaming + "\\Kestrana\\Tray");

    std::vector<std::string> texts = remove_tray();
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ("   " + utf8(common) + "\\\\Kestrana\\Tray\\Configurations\\KORVE.xml removed",
              texts[0]);
    EXPECT_EQ("Number of prosucts = 1", texts[2]) << "corvo.xml is counted";
    EXPECT_FALSE(path_exists(configurations + "\\KORVE.xml"));

    // Once the other product has gone too, the tray's data folders go with the last one.
    ::DeleteFileA((configurations + "\\corvo.xml").c_str());
    texts = remove_tray();
    EXPECT_TRUE(contains(texts, ". Folder '" + utf8(common) + "\\Kestrana\\Tray' was removed"));
    EXPECT_TRUE(contains(texts, ". Folder '" + utf8(roaming) + "\\Kestrana\\Tray' was removed"));
    EXPECT_FALSE(path_exists(common + "\\Kestrana\\Tray"));
    EXPECT_FALSE(path_exists(roaming + "\\Kestrana\\Tray"));
    EXPECT_TRUE(path_exists(roaming)) << "only the tray's folders go";
}

// An ordinary user may make the brand folders below the common application data folder a link
// to a folder of their choice: no file or folder is deleted through it.
TEST_F(SharedTrayRemoverTest, LinkedBrandFoldersAreNeverDeletedThrough) {
    if (!korve::test::running_under_wine()) GTEST_SKIP() << "links are made with ln -s";
    korve::test::scratch_folder elsewhere("suite-tray-elsewhere");
    const std::string victim = elsewhere / "Tray\\Configurations\\KORVE.xml";
    make_folder(elsewhere / "Tray\\Configurations");
    write_file(victim, "<precious/>");
    write_file(elsewhere / "Tray\\cache.dat", "precious");
    const korve::test::scoped_unix_link brand(elsewhere.path(),
                                              place_.common_app_data() + "Kestrana");
    ASSERT_TRUE(brand.made());

    std::vector<std::string> texts = remove_tray();
    ASSERT_LE(3u, texts.size());
    EXPECT_EQ("FAILED TO remove '" + configuration_file() + "' !", texts[0]);
    EXPECT_EQ("Number of prosucts = 1", texts[2]) << "the file left is counted";
    EXPECT_EQ("<precious/>", korve::test::read_file(victim));

    // Without it the tray is removed: its shared data folder lies behind the link.
    ASSERT_TRUE(::DeleteFileA(victim.c_str()));
    texts = remove_tray();
    EXPECT_TRUE(
        contains(texts, "! Failed to remove folder '" + utf8(place_.shared_data_folder()) + "' !"));
    EXPECT_EQ("precious", korve::test::read_file(elsewhere / "Tray\\cache.dat"));
}

}  // namespace
