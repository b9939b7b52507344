// The whole program against an ordinary user's moves on its log: the log's system-wide lock
// held for the whole run, and a log file name that leads to another file.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "quill/handle.h"
#include "tests/support/child_process.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/remover.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/text_file.h"

namespace {

using korve::test::read_file;
using korve::test::run_remover;
using korve::test::scratch_folder;
using korve::test::texts_of;

const char* const kNoLogFile =
    "Unable to create log file. If you need log file make sure that you have permission to "
    "write to directory where remove.exe is located";

// Another process's hold on the log's lock: `hold_ms` of every `hold_ms` + `pause_ms` until
// `stop`. The routine is named: a lambda does not convert to its calling convention on x86.
struct lock_holder {
    DWORD hold_ms;
    DWORD pause_ms;
    quill::unique_handle taken{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    quill::unique_handle stop{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};

    static DWORD WINAPI hold(LPVOID context) {
        const auto& self = *static_cast<const lock_holder*>(context);
        const quill::unique_handle lock(::CreateMutexA(nullptr, FALSE, "Global\\log-KORVERemover"));
        while (lock && ::WaitForSingleObject(lock.get(), 60000) == WAIT_OBJECT_0) {
            ::SetEvent(self.taken.get());
            const bool stop = ::WaitForSingleObject(self.stop.get(), self.hold_ms) == WAIT_OBJECT_0;
            ::ReleaseMutex(lock.get());
            if (stop || ::WaitForSingleObject(self.stop.get(), self.pause_ms) == WAIT_OBJECT_0)
                break;
        }
        return 0;
    }
};

TEST(EntryLogFileTest, LockHeldByAnotherProcessCannotStopOrSlowTheRun) {
    const struct {
        const char* title;
        DWORD hold_ms;
        DWORD pause_ms;
    } cases[] = {
        {"held for the whole run", INFINITE, 0},
        // No single wait times out, but every line would wait.
        {"held 9.5 s of every 10 s", 9500, 500},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.title);
        lock_holder holder{test.hold_ms, test.pause_ms};
        const quill::unique_handle holding(
            ::CreateThread(nullptr, 0, &lock_holder::hold, &holder, 0, nullptr));
        ASSERT_TRUE(holding.valid());
        // No assertion until the holder has ended: it uses `holder`.
        EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(holder.taken.get(), 10000));

        scratch_folder folder("entry-lock-held");
        korve::test::message_box_answerer answerer(IDNO);
        const ULONGLONG started = ::GetTickCount64();
        const auto run = run_remover(folder, answerer, 180000);
        const ULONGLONG elapsed = ::GetTickCount64() - started;
        ::SetEvent(holder.stop.get());
        ::WaitForSingleObject(holding.get(), INFINITE);
        ASSERT_TRUE(run.finished) << "the program ends by itself";
        EXPECT_EQ(0u, run.exit_code);
        // Each of the two listeners waits 10 s in all; hundreds of lines must not wait at all.
        EXPECT_LT(elapsed, 2 * 10000u + 60000u);

        const std::string log = read_file(folder / "KORVERemover.log.txt");
        ASSERT_EQ("\xEF\xBB\xBF", log.substr(0, 3));
        EXPECT_EQ(std::string::npos, log.find("\xEF\xBB\xBF", 3)) << "one byte-order mark only";
        const auto texts = texts_of(log.substr(3));
        const std::vector<std::string> banners = {
            "KORVERemover.exe version 1.1.54.0",
            "**** Check if KORVERemover.exe runs as Administrator ****",
            "**** Close running application ****",
            "**** Cleaning SOFTWARE registry ****",
            "**** Cleaning Installation Database ****",
            "**** Removing Start Menu shortcuts ****",
            "**** Removing Desktop shortcuts ****",
            "**** Removing Program Files folder ****",
            "**** Cleaning Application Data folder ****",
            "**** Remove KestranaTray ****",
            "Fixing Pellam Tray counters in SharedDLLs",
        };
        auto at = texts.begin();
        for (const std::string& banner : banners) {
            at = std::find(at, texts.end(), banner);
            ASSERT_NE(texts.end(), at) << "missing or out of order: " << banner;
        }
        ASSERT_GE(texts.size(), 3u);
        EXPECT_EQ(std::vector<std::string>(3, ""),
                  std::vector<std::string>(texts.end() - 3, texts.end()))
            << "the log is complete";

        ASSERT_EQ(1u, answerer.seen().size());
        EXPECT_EQ("Would you like to send a log file to Velocore support?",
                  answerer.seen()[0].text);
    }
}

// A second name of another file (a hard link; Windows' own file links are refused by the
// same check) is treated like a log file that cannot be created.
TEST(EntryLogFileTest, LinkedLogFileGivesTheNoLogBoxAndTheRunGoesOn) {
    scratch_folder folder("entry-log-linked");
    const std::string target = folder / "precious.txt";
    korve::test::write_file(target, "precious");
    ASSERT_TRUE(
        ::CreateHardLinkA((folder / "KORVERemover.log.txt").c_str(), target.c_str(), nullptr));
    korve::test::message_box_answerer answerer(IDOK);
    const auto run = run_remover(folder, answerer, 180000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exit_code);

    EXPECT_EQ("precious", read_file(target));
    ASSERT_FALSE(answerer.seen().empty());
    EXPECT_EQ("KORVERemover.exe", answerer.seen()[0].caption);
    EXPECT_EQ(kNoLogFile, answerer.seen()[0].text);
    for (const auto& box : answerer.seen()) {
        EXPECT_NE("Velocore support", box.caption) << "no mail is offered without a log file";
    }
    EXPECT_NE(std::string::npos, run.output.find("**** Remove KestranaTray ****"));
}

}  // namespace
