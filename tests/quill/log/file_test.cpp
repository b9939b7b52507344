#include "quill/log/file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "quill/log/channel.h"
#include "quill/log/errors.h"
#include "tests/support/child_process.h"
#include "tests/support/full_file.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/text_file.h"
#include "tests/support/unix_link.h"

namespace {

using korve::test::read_file;
using korve::test::scratch_folder;
using korve::test::split_crlf_lines;
using korve::test::write_file;

const std::string bom = "\xEF\xBB\xBF";

// Each test works on its own base name in its own scratch folder.
class FileTest : public ::testing::Test {
  protected:
    FileTest()
        : folder_("log-file-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())) {}

    std::string base() const { return folder_ / "run"; }
    std::string log_path() const { return base() + ".log.txt"; }
    std::string copy_path(int n) const { return base() + "." + std::to_string(n) + ".log.txt"; }

    scratch_folder folder_;
};

TEST_F(FileTest, NewFileStartsWithByteOrderMarkAndGetsCrLfLines) {
    {
        quill::log::file sink(base(), 0xFFFFFFFFu, 0);
        sink.write(1, "P ", "first \xC3\xA9");
        sink.write(1, "P ", "second");
    }
    EXPECT_EQ(bom + "P first \xC3\xA9\r\nP second\r\n", read_file(log_path()));
}

TEST_F(FileTest, ExistingFileKeepsItsContentWithoutASecondMark) {
    write_file(log_path(), bom + "old\r\n");
    {
        quill::log::file sink(base(), 0xFFFFFFFFu, 0);
        sink.write(1, "", "new");
    }
    EXPECT_EQ(bom + "old\r\nnew\r\n", read_file(log_path()));
}

TEST_F(FileTest, TwoListenersOnOneFileKeepTheOrderOfTheWrites) {
    quill::log::file first(base(), 0xFFFFFFFFu, 0);
    quill::log::file second(base(), 0xFFFFFFFFu, 0);
    for (int i = 0; i < 5; ++i) {
        first.write(1, "", "a" + std::to_string(i));
        second.write(1, "", "b" + std::to_string(i));
    }
    EXPECT_EQ(bom + "a0\r\nb0\r\na1\r\nb1\r\na2\r\nb2\r\na3\r\nb3\r\na4\r\nb4\r\n",
              read_file(log_path()));
}

struct background_writer {
    std::string writer, base;
    korve::test::child_result a;
};

// A thread procedure of its own: a lambda does not convert to the stdcall pointer on x86.
DWORD WINAPI run_background_writer(LPVOID context) {
    auto& s = *static_cast<background_writer*>(context);
    s.a = korve::test::run_child("\"" + s.writer + "\" \"" + s.base + "\" A 300", "", 60000);
    return 0;
}

TEST_F(FileTest, TwoProcessesAppendWholeLinesInTheirOwnOrder) {
    const std::string writer =
        korve::test::beside_test_executable("..\\..\\support\\log_writer.exe");
    ASSERT_TRUE(korve::test::path_exists(writer)) << writer;
    constexpr int count = 300;
    background_writer shared{writer, base(), {}};
    // One writer in the background, the other in the foreground, both at once.
    HANDLE background = ::CreateThread(nullptr, 0, &run_background_writer, &shared, 0, nullptr);
    ASSERT_NE(nullptr, background);
    const auto b = korve::test::run_child("\"" + writer + "\" \"" + base() + "\" B 300", "", 60000);
    ::WaitForSingleObject(background, INFINITE);
    ::CloseHandle(background);
    ASSERT_EQ(0u, shared.a.exit_code);
    ASSERT_EQ(0u, b.exit_code);

    const std::string content = read_file(log_path());
    ASSERT_EQ(bom, content.substr(0, 3));
    int next_a = 0;
    int next_b = 0;
    for (const std::string& line : split_crlf_lines(content.substr(3))) {
        const std::string text = korve::test::without_prefix(line);
        if (text == "A " + std::to_string(next_a)) {
            ++next_a;
        } else if (text == "B " + std::to_string(next_b)) {
            ++next_b;
        } else {
            ADD_FAILURE() << "torn or misordered line: " << line;
        }
    }
    EXPECT_EQ(count, next_a);
    EXPECT_EQ(count, next_b);
}

TEST_F(FileTest, LockNameReplacesBackslashesSoAPathStillGivesAValidMutex) {
    EXPECT_EQ("log-KORVERemover", quill::log::file::lock_name_for("KORVERemover"));
    EXPECT_EQ("log-C:_logs_run", quill::log::file::lock_name_for("C:\\logs\\run"));
    // The scratch base name is a full path: construction must succeed.
    EXPECT_NO_THROW(quill::log::file(base(), 0xFFFFFFFFu, 0));
}

TEST_F(FileTest, FullFileWithoutCopiesIsEmptiedBeforeTheLine) {
    write_file(log_path(), bom + std::string(97, 'x'));  // exactly 100 bytes
    {
        quill::log::file sink(base(), 100, 0);
        sink.write(1, "", "fresh");
    }
    EXPECT_EQ(bom + "fresh\r\n", read_file(log_path()));
    EXPECT_FALSE(korve::test::path_exists(copy_path(1)));
}

TEST_F(FileTest, RotationWithTwoCopiesDropsTheOldest) {
    quill::log::file sink(base(), 10, 2);
    sink.write(1, "", "one");    // 3 + 5 bytes: below the limit
    sink.write(1, "", "two");    // 13 bytes now
    sink.write(1, "", "three");  // full: copy 1 takes one+two
    EXPECT_EQ(bom + "one\r\ntwo\r\n", read_file(copy_path(1)));
    sink.write(1, "", "four");  // full: copy 2 takes three
    sink.write(1, "", "five");  // 9 bytes: appended
    sink.write(1, "", "six");   // full: copy 1 dropped, 2 moves to 1, copy 2 takes four+five
    EXPECT_EQ(bom + "three\r\n", read_file(copy_path(1)));
    EXPECT_EQ(bom + "four\r\nfive\r\n", read_file(copy_path(2)));
    EXPECT_EQ(bom + "six\r\n", read_file(log_path()));
    EXPECT_FALSE(korve::test::path_exists(copy_path(3)));
}

TEST_F(FileTest, RotationThatCannotCopyStillWritesTheLine) {
    // A folder in the place of every copy makes copying impossible.
    korve::test::make_folder(copy_path(1));
    korve::test::make_folder(copy_path(2));
    write_file(log_path(), bom + std::string(20, 'x'));
    quill::log::file sink(base(), 10, 2);
    sink.write(1, "", "still written");
    EXPECT_EQ(bom + "still written\r\n", read_file(log_path()));

    korve::test::make_folder(copy_path(3));
    quill::log::file single(base(), 10, 1);
    single.write(1, "", "again");
    EXPECT_EQ(bom + "again\r\n", read_file(log_path()));
}

TEST_F(FileTest, UnopenableFileThrowsLogErrorWithSystemText) {
    korve::test::make_folder(log_path());  // a folder where the file should be
    try {
        quill::log::file sink(base(), 0xFFFFFFFFu, 0);
        FAIL() << "no error";
    } catch (const quill::log::generic& error) {
        EXPECT_EQ(0, std::string(error.what()).rfind("log[CreateFile failed: ", 0)) << error.what();
    }
}

// The log's folder is often one that an ordinary user owns: a name that leads to another file
// is refused like a file that cannot be created, and that file stays as it was.
TEST_F(FileTest, LinkedLogFileIsRefusedAndItsTargetUntouched) {
    const std::string target = folder_ / "elsewhere.txt";
    struct link_kind {
        const char* name;
        bool (*make)(const std::string& target, const std::string& link);
    };
    const link_kind kinds[] = {
        {"hard link",
         [](const std::string& to, const std::string& link) {
             return ::CreateHardLinkA(link.c_str(), to.c_str(), nullptr) != FALSE;
         }},
        {"symbolic link", korve::test::make_unix_symlink},
    };
    for (const link_kind& kind : kinds) {
        if (kind.make == korve::test::make_unix_symlink && !korve::test::running_under_wine()) {
            continue;  // made with the host's ln -s
        }
        write_file(target, "precious");
        ::DeleteFileA(log_path().c_str());
        ASSERT_TRUE(kind.make(target, log_path())) << kind.name;
        try {
            quill::log::file sink(base(), 0xFFFFFFFFu, 0);
            ADD_FAILURE() << kind.name << ": no error";
        } catch (const quill::log::generic& error) {
            EXPECT_EQ(0, std::string(error.what()).rfind("log[CreateFile failed: ", 0))
                << error.what();
        }
        EXPECT_EQ("precious", read_file(target)) << kind.name;
        if (kind.make == korve::test::make_unix_symlink) korve::test::remove_unix_link(log_path());
    }
}

// Creating the log through a dangling link would create a file wherever the link points.
TEST_F(FileTest, DanglingLinkAsTheLogCreatesNothing) {
    if (!korve::test::running_under_wine()) GTEST_SKIP() << "links are made with ln -s";
    const std::string target = folder_ / "nowhere.txt";
    const korve::test::scoped_unix_link link(target, log_path());
    EXPECT_THROW(quill::log::file(base(), 0xFFFFFFFFu, 0), quill::log::generic);
    EXPECT_FALSE(korve::test::path_exists(target));
}

// A full disk: the line that does not fit is reported once, and the file counts as cut.
TEST_F(FileTest, LineThatCannotBeWrittenIsReportedOnceAndTheFileCountsAsCut) {
    quill::log::file sink(base(), 0xFFFFFFFFu, 0);
    sink.write(1, "", "whole");
    if (!korve::test::fill_to_the_limit(log_path(), 4)) GTEST_SKIP() << "no file size limit";
    const unsigned long long full = korve::test::file_size(log_path()) + 4;
    EXPECT_FALSE(quill::log::file::lost_lines(sink.identity()));
    try {
        sink.write(1, "", "beyond the limit");
        ADD_FAILURE() << "no error";
    } catch (const quill::log::generic& error) {
        EXPECT_EQ(0, std::string(error.what()).rfind("log[WriteFile failed: ", 0)) << error.what();
    }
    EXPECT_EQ(full, korve::test::file_size(log_path())) << "the short write's bytes";
    EXPECT_NO_THROW(sink.write(1, "", "later"));
    EXPECT_TRUE(quill::log::file::lost_lines(sink.identity()));
    EXPECT_EQ(full, korve::test::file_size(log_path()));
}

TEST_F(FileTest, ChannelLinesReachTheFileWithStampAndLetter) {
    {
        quill::log::channel channel;
        channel.attach(0, std::make_unique<quill::log::file>(base(), 0xFFFFFFFFu, 0));
        channel.write(1, "KORVERemover.exe version %s", "1.1.54.0");
    }
    const auto lines = split_crlf_lines(read_file(log_path()).substr(3));
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(' ', lines[0][20]);
    EXPECT_EQ("    KORVERemover.exe version 1.1.54.0", lines[0].substr(19));
}

}  // namespace
