#pragma once

#include <string>

#include "quill/handle.h"

namespace korve::test {

// A program started without waiting for it; terminated at the end if it still runs.
class started_process {
  public:
    // Starts `executable` with `arguments`; ADD_FAILURE when it cannot start.
    explicit started_process(const std::string& executable, const std::string& arguments = "");
    ~started_process();
    started_process(const started_process&) = delete;
    started_process& operator=(const started_process&) = delete;

    unsigned long id() const noexcept { return id_; }
    // Waits up to `ms` for the end; true when it has ended.
    bool wait_for_exit(unsigned long ms) const;
    bool running() const { return !wait_for_exit(0); }
    unsigned long exit_code() const;

  private:
    quill::unique_handle process_;
    unsigned long id_ = 0;
};

// Path of the test bench's sleeping program (korve_sleeper.exe). Started without arguments it
// sleeps two minutes; "run <command line>" starts that command, waits and returns its exit code.
std::string sleeper_path();

// Copies the sleeper to `folder`\`file_name` and returns the copy's path.
std::string copy_sleeper(const std::string& folder, const std::string& file_name);

// Waits (up to 10 s) until a process with this executable name shows in the process list, as
// the product looks for it.
bool wait_until_listed(const std::string& file_name);

}  // namespace korve::test
