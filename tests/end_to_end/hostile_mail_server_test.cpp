// The whole program, its windows answered by a person, offering its log to mail servers that
// send lines without end: it refuses them, says why in its box, ends with 0, and its memory
// stays where a normal delivery keeps it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "quill/internet/transport/tcp/base.h"
#include "tests/support/child_process.h"
#include "tests/support/person_at_screen.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/scripted_server.h"

namespace {

using korve::test::hear;
using korve::test::hear_data;
using korve::test::say;
using korve::test::script_step;

// The removal steps run before the mail is offered.
const unsigned long kConnectionWaitMs = 120000;
const std::size_t kLongestLine = quill::internet::transport::tcp::base::max_line_length;
const std::string kTooLong = "read_line() failed: line longer than 65536 bytes";

struct run_outcome {
    bool finished = false;
    unsigned long exit_code = 1;
    int prompts = 0;
    std::vector<korve::test::seen_box> boxes;
    std::size_t peak_working_set = 0;
};

run_outcome run_program_against(const char* name, std::vector<script_step> script) {
    korve::test::scratch_folder folder(std::string("hostile-") + name);
    korve::test::scripted_server server(std::move(script), KORVE_E2E_SMTP_PORT, kConnectionWaitMs);
    korve::test::person_at_screen person("someone@example.org");
    const std::string program = korve::test::beside_test_executable("KORVERemover_loopback.exe");
    const auto run = korve::test::run_child("\"" + program + "\"", folder.path(), 240000,
                                            &korve::test::person_at_screen::act, &person);
    server.transcript();
    return {run.finished, run.exit_code, person.prompts(), person.boxes(), run.peak_working_set};
}

std::vector<script_step> greeting_and_ehlo() {
    return {say("220 scripted\r\n"), hear(), say("250 hi\r\n")};
}

std::vector<script_step> with_rset_answer(const std::string& answer) {
    std::vector<script_step> script = greeting_and_ehlo();
    script.push_back(hear());
    script.push_back(say(answer));
    return script;
}

std::vector<script_step> delivery_after(std::vector<script_step> script) {
    for (const script_step& step :
         {hear(), say("250 ok\r\n"), hear(), say("250 ok\r\n"), hear(), say("354 go\r\n"),
          hear_data(), say("250 queued\r\n"), hear(), say("221 bye\r\n")}) {
        script.push_back(step);
    }
    return script;
}

double mebibytes(std::size_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

void expect_run_with_box(const run_outcome& run, const char* name, const std::string& caption,
                         const std::string& text) {
    ASSERT_TRUE(run.finished) << name;
    EXPECT_EQ(0u, run.exit_code) << name;
    EXPECT_EQ(1, run.prompts) << name;
    ASSERT_EQ(2u, run.boxes.size()) << name;
    EXPECT_EQ("Velocore support", run.boxes[0].caption) << name;
    EXPECT_EQ(caption, run.boxes[1].caption) << name;
    EXPECT_EQ(text, run.boxes[1].text) << name;
}

TEST(HostileMailServerTest, EndlessLinesAreRefusedWithinTheMemoryOfANormalDelivery) {
    // A reply line just under the limit is a normal delivery: the memory to compare with.
    const run_outcome normal = run_program_against(
        "under",
        delivery_after(with_rset_answer("250 " + std::string(kLongestLine - 4, 'r') + "\r\n")));
    expect_run_with_box(normal, "reply line just under the limit", "Log file submitted",
                        "Thank you. The log file has been submitted.");

    const std::size_t flood = 32 * 1024 * 1024;
    const run_outcome greeting =
        run_program_against("greeting", {say("220 " + std::string(flood, 'x'))});
    expect_run_with_box(greeting, "greeting of 32 MiB without a line end", "Log file not submitted",
                        "internet.transport.line_too_long[" + kTooLong + "]");

    const run_outcome over = run_program_against(
        "over", with_rset_answer("250 " + std::string(kLongestLine - 3, 'r') + "\r\n"));
    expect_run_with_box(over, "reply line just over the limit", "Log file not submitted",
                        "smtp.temporary_failure[" + kTooLong + "]");

    std::printf(
        "peak working set: normal delivery %.1f MiB, 32 MiB greeting %.1f MiB, "
        "line over the limit %.1f MiB\n",
        mebibytes(normal.peak_working_set), mebibytes(greeting.peak_working_set),
        mebibytes(over.peak_working_set));
    ASSERT_GT(normal.peak_working_set, 0u) << "the system reported no memory figures";
    // Holding the greeting would take at least its 32 MiB; the bound leaves room for noise.
    const std::size_t allowance = 4 * 1024 * 1024;
    EXPECT_LE(greeting.peak_working_set, normal.peak_working_set + allowance);
    EXPECT_LE(over.peak_working_set, normal.peak_working_set + allowance);
}

}  // namespace
