#include "cleanup/process.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "cleanup/close_by_name.h"
#include "cleanup/close_running_application.h"
#include "cleanup/privilege_holder.h"
#include "channels/program_channels.h"
#include "quill/handle.h"
#include "tests/support/child_process.h"
#include "tests/support/captured_lines.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/started_process.h"

namespace korve::cleanup {
namespace {

using korve::test::captured_lines;
using korve::test::copy_sleeper;
using korve::test::scratch_folder;
using korve::test::started_process;
using korve::test::wait_until_listed;

const quill::system_version kWindows2000{5, 0, VER_PLATFORM_WIN32_NT};
const quill::system_version kWindowsXp{5, 1, VER_PLATFORM_WIN32_NT};

TEST(ProcessNameTest, ShortensOnlyOnWindows2000ByEachRule) {
    struct row {
        const char* name;
        const char* library;  // library constructor's rule on Windows 2000
        const char* product;  // product step's rule on Windows 2000
    };
    const row rows[] = {
        {"Velocore.exe", "Velocore.exe", "Velocore.exe"},
        {"ABCDEFGHIJ.exe", "ABCDEFGHIJ.exe", "ABCDEFGHIJ.exe"},       // 14 characters
        {"ABCDEFGHIJK.exe", "ABCDEFGHIJK.exe", "ABCDEFGHIJK.exe"},    // 15
        {"ABCDEFGHIJKL.exe", "ABCDEFGHIJKL.ex", "ABCDEFGHIJKL.ex"},   // 16
        {"ABCDEFGHIJKLMN.exe", "ABCDEFGHIJKLMN.", "ABCDEFGHIJKLMN"},  // 18, "." at 15th
    };
    for (const row& r : rows) {
        EXPECT_EQ(r.library, shorten_name_for_system(r.name, kWindows2000)) << r.name;
        EXPECT_EQ(r.product, shorten_product_name_for_system(r.name, kWindows2000)) << r.name;
        EXPECT_EQ(r.name, shorten_name_for_system(r.name, kWindowsXp)) << r.name;
        EXPECT_EQ(r.name, shorten_product_name_for_system(r.name, kWindowsXp)) << r.name;
    }
}

TEST(ProcessNameTest, MatchesNameEndingWithoutRegardToCase) {
    struct row {
        const char* executable;
        bool matches;
    };
    const row rows[] = {
        {"Velocore.exe", true},
        {"VELOCORE.EXE", true},
        {"XVelocore.exe", true},
        {"Velocore64.exe", false},
        {"Velocore.exe.bak", false},
        {"elocore.exe", false},
        {"", false},
    };
    for (const row& r : rows) {
        EXPECT_EQ(r.matches, name_matches(r.executable, "velocore.exe")) << r.executable;
    }
}

class RunningProductTest : public ::testing::Test {
  protected:
    scratch_folder folder_{"processes"};
};

TEST_F(RunningProductTest, StepTerminatesEveryInstanceAndLeavesOthersAlone) {
    const std::string first = copy_sleeper(folder_.path(), "Velocore.exe");
    const std::string second = copy_sleeper(folder_.path(), "Velocore64.exe");
    const std::string prefixed = copy_sleeper(folder_.path(), "XVelocore.exe");
    const std::string unrelated = copy_sleeper(folder_.path(), "Velocore.exe.bak.exe");
    std::vector<std::unique_ptr<started_process>> product;
    product.push_back(std::make_unique<started_process>(first));
    product.push_back(std::make_unique<started_process>(first));
    product.push_back(std::make_unique<started_process>(second));
    product.push_back(std::make_unique<started_process>(prefixed));
    const started_process other(unrelated);
    ASSERT_TRUE(wait_until_listed("Velocore64.exe"));
    ASSERT_TRUE(process("Velocore.exe").is_running());

    const captured_lines log(MainChannel());
    CloseRunningApplication();

    for (const auto& instance : product) {
        ASSERT_TRUE(instance->wait_for_exit(10000)) << "process " << instance->id();
        EXPECT_EQ(255u, instance->exit_code()) << "process " << instance->id();
    }
    EXPECT_TRUE(other.running());
    const std::vector<std::string> expected = {"**** Close running application ****", "",
                                               "Velocore stopped.", kSeparatorLine, ""};
    EXPECT_EQ(expected, log.lines());
}

TEST_F(RunningProductTest, StepLogsTheSameWhenNothingRuns) {
    ASSERT_FALSE(process("Velocore.exe").is_running());
    const captured_lines log(MainChannel());
    CloseRunningApplication();
    const std::vector<std::string> expected = {"**** Close running application ****", "",
                                               "Velocore stopped.", kSeparatorLine, ""};
    EXPECT_EQ(expected, log.lines());
}

TEST_F(RunningProductTest, ParentOfTheRemoverSurvives) {
    // Velocore.exe runs the step as its child: the sibling instance goes, the parent stays and
    // passes on the child's exit code (255 would mean it was terminated).
    const std::string product = copy_sleeper(folder_.path(), "Velocore.exe");
    const started_process sibling(product);
    ASSERT_TRUE(wait_until_listed("Velocore.exe"));
    const started_process parent(
        product, "run \"" + korve::test::beside_test_executable("close_step_child.exe") + "\"");
    ASSERT_TRUE(parent.wait_for_exit(30000));
    EXPECT_EQ(0u, parent.exit_code());
    ASSERT_TRUE(sibling.wait_for_exit(10000));
    EXPECT_EQ(255u, sibling.exit_code());
}

TEST_F(RunningProductTest, CloseByNameLogsAndTerminates) {
    const std::string tray = copy_sleeper(folder_.path(), "KestranaTray.exe");
    const started_process running(tray);
    ASSERT_TRUE(wait_until_listed("KestranaTray.exe"));
    quill::log::channel channel;
    {
        const captured_lines log(channel);
        close_by_name(channel, "KestranaTray.exe");
        const std::vector<std::string> expected = {
            "Dealing with 'KestranaTray.exe' process ....",
            "Process with name 'KestranaTray.exe' is running, let us close it"};
        EXPECT_EQ(expected, log.lines());
    }
    ASSERT_TRUE(running.wait_for_exit(10000));
    EXPECT_EQ(255u, running.exit_code());

    const captured_lines log(channel);
    close_by_name(channel, "KestranaTray.exe");
    const std::vector<std::string> expected = {
        "Dealing with 'KestranaTray.exe' process ....",
        "Process with name 'KestranaTray.exe' is NOT running ..."};
    EXPECT_EQ(expected, log.lines());
}

// The id of a matched process may have passed to another one by the time it is opened: only
// a process whose own image still bears the name is terminated.
TEST_F(RunningProductTest, TerminationChecksTheImageOfTheOpenedProcess) {
    const started_process other(copy_sleeper(folder_.path(), "Unrelated.exe"));
    ASSERT_TRUE(wait_until_listed("Unrelated.exe"));
    EXPECT_TRUE(terminate_if_named(other.id(), "Velocore.exe"));
    EXPECT_TRUE(terminate_if_named(other.id(), "dUnrelated.exe")) << "longer than the name";
    EXPECT_FALSE(other.wait_for_exit(500)) << "a process of another name survives";

    EXPECT_TRUE(terminate_if_named(other.id(), "UNRELATED.EXE"));
    ASSERT_TRUE(other.wait_for_exit(10000));
    EXPECT_EQ(255u, other.exit_code());
}

// The enabled state of a privilege in the process token; false when it is not held.
bool privilege_enabled(const char* name) {
    quill::unique_handle token;
    LUID luid{};
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()) ||
        !::LookupPrivilegeValueA(nullptr, name, &luid)) {
        return false;
    }
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
    std::vector<DWORD> buffer(size / sizeof(DWORD) + 1);
    if (!::GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), size, &size)) {
        return false;
    }
    const auto& privileges = *reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges.PrivilegeCount; ++i) {
        const LUID_AND_ATTRIBUTES& entry = privileges.Privileges[i];
        if (entry.Luid.LowPart == luid.LowPart && entry.Luid.HighPart == luid.HighPart) {
            return (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
        }
    }
    return false;
}

TEST(PrivilegeHolderTest, EnablesForItsLifetimeAndRestoresThePreviousState) {
    const bool before = privilege_enabled("SeDebugPrivilege");
    {
        const privilege_holder debug("SeDebugPrivilege");
        EXPECT_TRUE(privilege_enabled("SeDebugPrivilege"));
    }
    EXPECT_EQ(before, privilege_enabled("SeDebugPrivilege"));
    // An unknown privilege changes nothing and does not fail.
    const privilege_holder unknown("SeNoSuchPrivilege");
}

}  // namespace
}  // namespace korve::cleanup
