#pragma once

#include <cstddef>
#include <string>

namespace korve::test {

struct child_result {
    bool started = false;
    bool finished = false;  // false: still running at the time limit, then terminated
    unsigned long exit_code = 0;
    std::string output;  // standard output and standard error, as bytes
    // Highest working set the system reported for the child (bytes), read every 50 ms while
    // it ran: a peak value, so a short spike between two reads is still seen. 0: never read.
    std::size_t peak_working_set = 0;
    // When the child's last output arrived (its start, without output) and when it was seen
    // to end, as GetTickCount64 values; ended_at is 0 when it did not end.
    unsigned long long last_output_at = 0;
    unsigned long long ended_at = 0;
};

// Runs a command line in `directory` (empty: the current one) and collects its output. While
// it runs, `while_running` (if given) is called about every 50 ms with the child's process id;
// it may answer the child's message boxes. With `token`, the child runs under that token.
using child_callback = void (*)(unsigned long process_id, void* context);
child_result run_child(const std::string& command_line, const std::string& directory,
                       unsigned long time_limit_ms, child_callback while_running = nullptr,
                       void* context = nullptr, void* token = nullptr);

// Path of a file next to the running test executable.
std::string beside_test_executable(const std::string& file_name);

}  // namespace korve::test
