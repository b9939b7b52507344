#include "tests/support/started_process.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "cleanup/process.h"

namespace korve::test {

started_process::started_process(const std::string& executable, const std::string& arguments) {
    std::string command_line = "\"" + executable + "\"";
    if (!arguments.empty()) command_line += " " + arguments;
    // No console and no standard handles: under Wine a console of its own would live on in a
    // conhost process holding the test runner's output pipe open.
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(executable.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                          DETACHED_PROCESS, nullptr, nullptr, &startup, &info)) {
        ADD_FAILURE() << "cannot start " << executable << ": " << ::GetLastError();
        return;
    }
    process_.reset(info.hProcess);
    ::CloseHandle(info.hThread);
    id_ = info.dwProcessId;
}

started_process::~started_process() {
    if (process_ && running()) {
        ::TerminateProcess(process_.get(), 1);
        ::WaitForSingleObject(process_.get(), 5000);
    }
}

bool started_process::wait_for_exit(unsigned long ms) const {
    return !process_ || ::WaitForSingleObject(process_.get(), ms) == WAIT_OBJECT_0;
}

unsigned long started_process::exit_code() const {
    DWORD code = 0;
    if (process_) ::GetExitCodeProcess(process_.get(), &code);
    return code;
}

std::string sleeper_path() {
    return KORVE_SLEEPER_PATH;
}

std::string copy_sleeper(const std::string& folder, const std::string& file_name) {
    const std::string copy = folder + "\\" + file_name;
    if (!::CopyFileA(sleeper_path().c_str(), copy.c_str(), FALSE)) {
        ADD_FAILURE() << "cannot copy the sleeper to " << copy << ": " << ::GetLastError();
    }
    return copy;
}

bool wait_until_listed(const std::string& file_name) {
    const korve::cleanup::process listed(file_name);
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (listed.is_running()) return true;
        ::Sleep(50);
    }
    return false;
}

}  // namespace korve::test
