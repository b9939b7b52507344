#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "quill/log/channel.h"
#include "quill/log/file.h"
#include "suite/shared_tray_remover.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/remover.h"

namespace {

// A brand nobody installs: the counter repair finds nothing of it to change.
const wchar_t* const kBrand = L"KorveLogTest";

void repair_nothing(korve::suite::SharedTrayRemover& remover) {
    remover.FixSharedDllCounters(0);
}

TEST(SharedTrayLogTest, LinesJoinTheProgramLogBetweenTheMainChannelLines) {
    korve::test::scratch_folder work("suite-log-shared",
                                     korve::test::folder_use::current_directory);
    quill::log::channel main;
    main.attach(0, std::make_unique<quill::log::file>("KORVERemover", 0xFFFFFFFFu, 0));
    main.write(quill::log::level_note, "before the tray");
    {
        korve::suite::SharedTrayRemover remover(kBrand, L"Tray", L"KORVE", L"KestranaTray.exe");
        repair_nothing(remover);
    }
    main.write(quill::log::level_note, "after the tray");
    main.close();

    const std::vector<std::string> texts = korve::test::log_texts(work);
    ASSERT_GE(texts.size(), 4u);
    EXPECT_EQ("before the tray", texts[0]);
    EXPECT_EQ("Fixing Pellam Tray counters in SharedDLLs", texts[1]);
    EXPECT_EQ("Number of products with Pellam Tray according to configurations files: 0", texts[2]);
    EXPECT_EQ("after the tray", texts.back());
}

TEST(SharedTrayLogTest, UnwritableLogFileShowsTheRemoveExeBoxAndLogsToTheConsoleOnly) {
    korve::test::scratch_folder work("suite-log-blocked",
                                     korve::test::folder_use::current_directory);
    korve::test::make_folder(work / "KORVERemover.log.txt");  // blocks the file

    korve::test::message_box_answerer answerer(IDOK);
    std::atomic<bool> done{false};
    std::thread watcher([&] {
        while (!done) {
            answerer.answer_boxes_of(::GetCurrentProcessId());
            ::Sleep(50);
        }
    });
    {
        korve::suite::SharedTrayRemover remover(kBrand, L"Tray", L"KORVE", L"KestranaTray.exe");
        testing::internal::CaptureStdout();
        repair_nothing(remover);
        const std::string console = testing::internal::GetCapturedStdout();
        EXPECT_NE(std::string::npos, console.find("    Fixing Pellam Tray counters in SharedDLLs"))
            << console;
    }
    done = true;
    watcher.join();

    ASSERT_EQ(1u, answerer.seen().size());
    EXPECT_EQ("Remove.exe", answerer.seen()[0].caption);
    EXPECT_EQ(
        "Unable to create log file. If you need log file make sure that you have permission "
        "to write to directory where remove.exe is located",
        answerer.seen()[0].text);
}

}  // namespace
