// The whole program, its windows answered by a person, offering its log to mail servers that
// send lines without end: it refuses them, says why in its box, ends with 0, and its memory
// stays where a normal delivery keeps it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "quill/internet/transport/tcp/base.h"
#include "tests/support/child_process.h"
#include "tests/support/person_at_screen.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/scripted_server.h"
#include "tests/support/smtp_dialogue.h"
#include "tests/support/text_file.h"

namespace {

using korve::test::pause;
using korve::test::say;
using korve::test::script_step;
using korve::test::smtp_dialogue;
using turn = korve::test::smtp_turn;

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
    double seconds_after_connecting = 0;  // from the server's accept to the program's end
};

// `earlier_log`: what the log file held before the run (the program appends to it).
run_outcome run_program_against(const char* name, std::vector<script_step> script,
                                const std::string& earlier_log = std::string()) {
    korve::test::scratch_folder folder(std::string("hostile-") + name);
    if (!earlier_log.empty()) korve::test::write_file(folder / "KORVERemover.log.txt", earlier_log);
    korve::test::scripted_server server(std::move(script), KORVE_E2E_SMTP_PORT, kConnectionWaitMs);
    korve::test::person_at_screen person("someone@example.org");
    const std::string program = korve::test::beside_test_executable("KORVERemover_loopback.exe");
    const auto run = korve::test::run_child("\"" + program + "\"", folder.path(), 240000,
                                            &korve::test::person_at_screen::act, &person);
    const auto ended = std::chrono::steady_clock::now();
    server.transcript();
    const std::chrono::duration<double> after_connecting = ended - server.connected_at();
    return {run.finished,   run.exit_code,        person.prompts(),
            person.boxes(), run.peak_working_set, after_connecting.count()};
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
        smtp_dialogue({{turn::rset, {say("250 " + std::string(kLongestLine - 4, 'r') + "\r\n")}}}));
    expect_run_with_box(normal, "reply line just under the limit", "Log file submitted",
                        "Thank you. The log file has been submitted.");

    const std::size_t flood = 32 * 1024 * 1024;
    const run_outcome greeting =
        run_program_against("greeting", {say("220 " + std::string(flood, 'x'))});
    expect_run_with_box(greeting, "greeting of 32 MiB without a line end", "Log file not submitted",
                        "internet.transport.line_too_long[" + kTooLong + "]");

    const run_outcome over = run_program_against(
        "over",
        smtp_dialogue({{turn::rset, {say("250 " + std::string(kLongestLine - 3, 'r') + "\r\n")}}},
                      turn::rset));
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

namespace {

// `script` with every reply held back for `milliseconds`.
std::vector<script_step> late(const std::vector<script_step>& script, unsigned long milliseconds) {
    std::vector<script_step> held;
    for (const script_step& step : script) {
        if (step.what == script_step::action::say) held.push_back(pause(milliseconds));
        held.push_back(step);
    }
    return held;
}

// `first`, then `line` every `milliseconds` until `seconds` have passed and two more.
std::vector<script_step> paced(std::vector<script_step> first, const std::string& line,
                               unsigned long milliseconds, double seconds) {
    for (double sent = 0; sent <= seconds * 1000 + 2 * milliseconds; sent += milliseconds) {
        first.push_back(pause(milliseconds));
        first.push_back(say(line));
    }
    return first;
}

// Servers that answer too slowly, without end, or stop reading: each run ends with the usual
// box and exit code 0 within its bound, the loopback build's reply time-out or its submission
// deadline, whichever the server runs into.
TEST(HostileMailServerTest, SlowEndlessOrDeafServersEndWithinTheirBound) {
    const double reply = KORVE_E2E_SMTP_TIMEOUT_SECONDS;
    const double submission = KORVE_E2E_SMTP_SUBMISSION_SECONDS;
    const double slack = 8;  // answering the last box, a busy machine
    // Each line or reply a little over half the reply time-out after the one before.
    const auto pace = static_cast<unsigned long>(reply * 600);
    const std::string timed_out =
        "internet.transport.connection_failed.connection_timed_out[recv() failed]";

    // One byte every 3 s, each well within the time-out, for three time-outs.
    const std::vector<script_step> drip =
        korve::test::dripped("220 " + std::string(static_cast<std::size_t>(reply), 'd'), 3000);
    // 250 replies to DATA for three time-outs.
    std::vector<script_step> replies_without_end;
    std::string replies;
    for (int i = 0; i < 20; ++i) replies += "250 still there\r\n";
    for (int i = 0; i < static_cast<int>(reply) * 6; ++i) {
        replies_without_end.push_back(say(replies));
        replies_without_end.push_back(pause(500));
    }
    const std::vector<script_step> endless =
        smtp_dialogue({{turn::data, replies_without_end}}, turn::data);
    // 354, then nothing read for twice the time-out and 8 s more while the program sends a log
    // far larger than the socket buffers on either side: a program without a send time-out
    // would end only when the server closes, well after the bound.
    const std::vector<script_step> deaf = smtp_dialogue(
        {{turn::data, {say("354 go\r\n"), pause(static_cast<unsigned long>(reply * 2000) + 8000)}}},
        turn::data);
    // Up to DATA, unanswered.
    const std::vector<script_step> before_data_reply =
        smtp_dialogue({{turn::data, {}}}, turn::data);
    std::string large_log = "\xEF\xBB\xBF";
    const std::string line = "2026/12/09 10:00:00 1  " + std::string(100, 'l') + "\r\n";
    while (large_log.size() < 8 * 1024 * 1024) large_log += line;

    struct slow_case {
        const char* name;
        std::vector<script_step> server;
        std::string text;  // of the last box
        double at_least;   // seconds after connecting
        double at_most;
        std::string earlier_log;
    };
    const slow_case cases[] = {
        {"greeting dripping a byte every 3 s", drip, timed_out, reply - 1, reply + slack, ""},
        {"250 replies to DATA without end", endless, "smtp.temporary_failure[250 still there]", 0,
         slack, ""},
        // Sending megabytes until the buffers are full costs seconds of its own.
        {"server that stops reading during the message", deaf,
         "smtp.temporary_failure[send() failed]", 0, reply + 2 * slack, large_log},
        {"EHLO reply continued without end",
         paced(smtp_dialogue({{turn::ehlo, {say("250-hello\r\n")}}}, turn::ehlo), "250-more\r\n",
               pace, reply),
         timed_out, reply - 1, reply + slack, ""},
        {"greeting continued without end",
         paced({say("220-wait\r\n")}, "220-wait\r\n", pace, reply), timed_out, reply - 1,
         reply + slack, ""},
        {"250 replies to DATA at the pace",
         paced(before_data_reply, "250 wait\r\n", pace, submission),
         "smtp.temporary_failure[recv() failed]", submission - 1, submission + slack, ""},
        {"every reply of a delivery late", late(smtp_dialogue(), pace),
         "smtp.temporary_failure[recv() failed]", submission - 1, submission + slack, ""},
    };
    for (const slow_case& row : cases) {
        const run_outcome run = run_program_against("slow", row.server, row.earlier_log);
        expect_run_with_box(run, row.name, "Log file not submitted", row.text);
        std::printf("%s: %.1f s after connecting (reply time-out %.0f s, submission %.0f s)\n",
                    row.name, run.seconds_after_connecting, reply, submission);
        EXPECT_GE(run.seconds_after_connecting, row.at_least) << row.name;
        EXPECT_LE(run.seconds_after_connecting, row.at_most) << row.name;
    }
}

}  // namespace
