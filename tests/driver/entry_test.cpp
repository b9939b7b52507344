#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "installer/installer_cleanup.h"
#include "installer/packed_guid.h"
#include "quill/handle.h"
#include "tests/support/child_process.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/remover.h"
#include "tests/support/saved_key.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/scratch_key.h"
#include "tests/support/text_file.h"

namespace {

using korve::test::read_file;
using korve::test::run_remover;
using korve::test::scratch_folder;
using korve::test::texts_of;

// Answers boxes and notes when it first saw one.
struct timed_answerer {
    explicit timed_answerer(int button) : answerer(button) {}
    static void answer(unsigned long process_id, void* context) {
        auto& self = *static_cast<timed_answerer*>(context);
        const ULONGLONG now = ::GetTickCount64();
        if (self.answerer.answer_boxes_of(process_id) > 0 && self.first_box_at == 0) {
            self.first_box_at = now;
        }
    }
    korve::test::message_box_answerer answerer;
    ULONGLONG first_box_at = 0;
};

TEST(EntryTest, RunWritesBannerAndCheckToConsoleAndToTheLogFile) {
    scratch_folder folder("entry-run");
    korve::test::message_box_answerer answerer(IDNO);
    const auto run = run_remover(folder, answerer);
    ASSERT_TRUE(run.started) << korve::test::remover_program();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exit_code);

    const std::string log = read_file(folder / "KORVERemover.log.txt");
    ASSERT_EQ("\xEF\xBB\xBF", log.substr(0, 3));
    const auto texts = texts_of(log.substr(3));
    ASSERT_GE(texts.size(), 7u);
    EXPECT_EQ("", texts[0]);
    EXPECT_EQ("KORVERemover.exe version 1.1.54.0", texts[1]);
    EXPECT_EQ("", texts[2]);
    EXPECT_EQ("**** Check if KORVERemover.exe runs as Administrator ****", texts[3]);
    EXPECT_EQ(std::string(50, '='), texts[5]);
    EXPECT_TRUE(korve::test::contains(texts, "**** Remove KestranaTray ****"));
    EXPECT_EQ(std::string::npos, log.substr(3).find("\n\n")) << "every line ends in CR LF";
    EXPECT_EQ(std::string::npos, log.find("\xEF\xBB\xBF", 3));

    // At the end the log is offered to support; the answer No ends the run.
    ASSERT_EQ(1u, answerer.seen().size());
    EXPECT_EQ("Velocore support", answerer.seen()[0].caption);
    EXPECT_EQ("Would you like to send a log file to Velocore support?", answerer.seen()[0].text);

    // The console shows the same lines (LF or CR LF line ends, OEM code page).
    EXPECT_NE(std::string::npos, run.output.find("    KORVERemover.exe version 1.1.54.0"));
    EXPECT_NE(std::string::npos,
              run.output.find("    **** Check if KORVERemover.exe runs as Administrator ****"));
}

// The tray step writes through a channel of its own into the same log, between its banner and
// the three empty lines that close the removal sequence.
TEST(EntryTest, SharedTrayStepRunsBetweenItsBannerAndTheClosingEmptyLines) {
    scratch_folder folder("entry-tray");
    korve::test::message_box_answerer answerer(IDNO);
    ASSERT_TRUE(run_remover(folder, answerer).finished);

    const auto texts = korve::test::log_texts(folder);
    const auto banner = std::find(texts.begin(), texts.end(), "**** Remove KestranaTray ****");
    ASSERT_NE(texts.end(), banner);
    const std::vector<std::string> tray(banner + 1, texts.end());
    ASSERT_GE(tray.size(), 8u);
    EXPECT_EQ("", tray[0]);
    EXPECT_EQ("Number of prosucts = 0", tray[3]) << "nothing of the suite is installed";
    EXPECT_TRUE(korve::test::contains(tray, "Fixing Pellam Tray counters in SharedDLLs"));
    EXPECT_EQ(std::vector<std::string>(3, ""),
              std::vector<std::string>(tray.end() - 3, tray.end()));
}

TEST(EntryTest, SecondRunAppendsToTheSameLogFile) {
    scratch_folder folder("entry-append");
    korve::test::message_box_answerer answerer(IDNO);
    ASSERT_TRUE(run_remover(folder, answerer).finished);
    const std::string first = read_file(folder / "KORVERemover.log.txt");
    ASSERT_TRUE(run_remover(folder, answerer).finished);
    const std::string both = read_file(folder / "KORVERemover.log.txt");
    EXPECT_EQ(first, both.substr(0, first.size()));
    EXPECT_GT(both.size(), first.size() + 100);
    EXPECT_EQ(std::string::npos, both.find("\xEF\xBB\xBF", 3)) << "one byte-order mark only";
}

TEST(EntryTest, UnwritableLogFileGivesItsBoxAndTheRunGoesOnWithTheConsole) {
    scratch_folder folder("entry-no-log");
    korve::test::make_folder(folder / "KORVERemover.log.txt");  // blocks the file
    korve::test::message_box_answerer answerer(IDOK);
    const ULONGLONG started = ::GetTickCount64();
    const auto run = run_remover(folder, answerer);
    const ULONGLONG elapsed = ::GetTickCount64() - started;
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exit_code);
    ASSERT_FALSE(answerer.seen().empty());
    EXPECT_EQ("KORVERemover.exe", answerer.seen()[0].caption);
    EXPECT_EQ(
        "Unable to create log file. If you need log file make sure that you have permission "
        "to write to directory where remove.exe is located",
        answerer.seen()[0].text);
    EXPECT_NE(std::string::npos, run.output.find("KORVERemover.exe version 1.1.54.0"));
    EXPECT_NE(std::string::npos, run.output.find("**** Remove KestranaTray ****"));
    EXPECT_GE(elapsed, 3000u) << "without a log file the run ends with a 3-second pause";
    // The tray step's own listener meets the same file; nothing else asks or tells.
    ASSERT_EQ(2u, answerer.seen().size());
    EXPECT_EQ("Remove.exe", answerer.seen()[1].caption);
    EXPECT_EQ(answerer.seen()[0].text, answerer.seen()[1].text);

    // The pause: from the last line to the end. With a writable log the mail question comes
    // there instead, at once.
    scratch_folder writable("entry-with-log");
    timed_answerer no(IDNO);
    const auto with_log =
        korve::test::run_child("\"" + korve::test::remover_program() + "\"", writable.path(),
                               120000, &timed_answerer::answer, &no);
    ASSERT_TRUE(with_log.finished);
    ASSERT_EQ(1u, no.answerer.seen().size());
    const ULONGLONG pause = run.ended_at - run.last_output_at;
    const ULONGLONG question = no.first_box_at - with_log.last_output_at;
    std::printf(
        "after the last line: the end %llu ms later without a log file, the question "
        "%llu ms later with one\n",
        pause, question);
    EXPECT_GE(pause, question + 2500);
    EXPECT_LE(pause, question + 4500);
}

TEST(EntryTest, LogFileThatCannotBeReadBackGivesTheNotSubmittedBox) {
    scratch_folder folder("entry-log-held");
    // The program appends beside this handle, but its read-back shares reading only and so
    // fails while a handle with write access is open.
    quill::unique_file held(::CreateFileA((folder / "KORVERemover.log.txt").c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.valid());
    korve::test::message_box_answerer answerer(IDOK);
    const auto run = run_remover(folder, answerer);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exit_code);
    ASSERT_EQ(1u, answerer.seen().size());
    EXPECT_EQ("Log file not submitted", answerer.seen()[0].caption);
    EXPECT_EQ("Log file not submitted", answerer.seen()[0].text);
}

// An error that gets through a step (here the tray's lookup of a missing application data
// folder) ends the sequence at the entry: its box, nothing after the step, no mail offer.
TEST(EntryTest, ErrorEscapingAStepGivesTheInternalErrorBoxAndEndsTheRun) {
    const wchar_t* const user_shell_folders =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    // The lookup writes the folder to "Shell Folders" as well: both come back.
    const korve::test::saved_key user_values(HKEY_CURRENT_USER, user_shell_folders,
                                             korve::test::saved_key::keep);
    const korve::test::saved_key shell_values(
        HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
        korve::test::saved_key::keep);
    scratch_folder folder("entry-internal-error");
    korve::test::set_string_value(HKEY_CURRENT_USER, user_shell_folders, L"AppData",
                                  korve::test::wide_path(folder / "Missing"));

    const auto run = korve::test::run_child(
        "\"" + korve::test::beside_test_executable("entry_box_reader.exe") + "\"", folder.path(),
        120000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exit_code);
    std::vector<std::string> boxes;
    for (const std::string& line : korve::test::split_crlf_lines(run.output)) {
        if (line.compare(0, 6, "[box] ") == 0) boxes.push_back(line.substr(6));
    }
    EXPECT_EQ(std::vector<std::string>{"Internal error!|Error|48"}, boxes)
        << "the only box; no mail offer";

    const auto texts = korve::test::log_texts(folder);
    ASSERT_TRUE(korve::test::contains(texts, "**** Remove KestranaTray ****"));
    ASSERT_GE(texts.size(), 3u);
    EXPECT_NE(std::vector<std::string>(3, ""),
              std::vector<std::string>(texts.end() - 3, texts.end()))
        << "the lines that close the sequence are not written";
}

// A user's store floods the product's upgrade code with value names beside a product of its
// own: the run reads a bounded number of them and says so once, ends about as fast as without
// the flood, keeps its log small, and the user's product still goes.
TEST(EntryTest, AFloodOfNamesUnderAUsersUpgradeCodeCostsNeitherTimeNorLog) {
    korve::test::scratch_key store(L"entry_flood");
    const std::wstring codes = L"Installer\\UpgradeCodes\\" +
                               korve::installer::PackGuid(korve::installer::kProductUpgradeCode);
    const std::wstring product = L"Installer\\Products\\FEDCBA9876543210FEDCBA9876543210";
    const auto run_timed = [&](const char* name, std::string& log) {
        store.set_string(codes, product.substr(product.size() - 32), L"");
        store.create(product);
        scratch_folder folder(name);
        korve::test::message_box_answerer answerer(IDNO);
        const ULONGLONG started = ::GetTickCount64();
        EXPECT_TRUE(run_remover(folder, answerer).finished);
        const ULONGLONG elapsed = ::GetTickCount64() - started;
        log = read_file(folder / "KORVERemover.log.txt");
        EXPECT_FALSE(store.exists(product)) << name;
        return elapsed;
    };
    std::string normal_log;
    const ULONGLONG normal = run_timed("entry-flood-normal", normal_log);

    quill::unique_hkey flooded;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(store.get(), codes.c_str(), 0, nullptr, 0,
                                               KEY_SET_VALUE, nullptr, flooded.put(), nullptr));
    for (int n = 0; n < 100000; ++n) {
        const std::wstring name = L"N" + std::to_wstring(1000000 + n).substr(1);
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(flooded.get(), name.c_str(), 0, REG_SZ,
                                                  reinterpret_cast<const BYTE*>(L""), 2));
    }
    flooded.reset();
    std::string log;
    const ULONGLONG flood = run_timed("entry-flood", log);
    std::printf("normal run %llu ms, log %zu bytes; flooded run %llu ms, log %zu bytes\n", normal,
                normal_log.size(), flood, log.size());
    EXPECT_LE(flood, normal + 8000);
    EXPECT_LT(log.size(), 2u << 20);
    const std::string cut = "  More than 256 names: the rest not read\r\n";
    EXPECT_NE(std::string::npos, log.find(cut));
    EXPECT_EQ(log.find(cut), log.rfind(cut)) << "one line says so";
}

TEST(EntryTest, FilteredAdministratorTokenIsRefusedAndNothingIsRemoved) {
    quill::unique_handle token;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, token.put()));
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    quill::unique_sid administrators;
    ASSERT_TRUE(::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                           DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                           administrators.put()));
    SID_AND_ATTRIBUTES disable{administrators.get(), 0};
    quill::unique_handle filtered;
    ASSERT_TRUE(::CreateRestrictedToken(token.get(), 0, 1, &disable, 0, nullptr, 0, nullptr,
                                        filtered.put()));

    scratch_folder folder("entry-not-admin");
    korve::test::message_box_answerer answerer(IDOK);
    const auto run = korve::test::run_child(
        "\"" + korve::test::remover_program() + "\"", folder.path(), 60000,
        &korve::test::message_box_answerer::answer, &answerer, filtered.get());
    ASSERT_TRUE(run.started) << "CreateProcessAsUser error " << ::GetLastError();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exit_code);
    ASSERT_EQ(1u, answerer.seen().size());
    EXPECT_EQ("You must be an Administrator to launch this application", answerer.seen()[0].text);

    const auto texts = korve::test::log_texts(folder);
    const std::vector<std::string> expected = {
        "",
        "KORVERemover.exe version 1.1.54.0",
        "",
        "**** Check if KORVERemover.exe runs as Administrator ****",
        "",
        "You must be an Administrator to launch this application",
        std::string(50, '=')};
    EXPECT_EQ(expected, texts) << "no removal step may run";
}

}  // namespace
