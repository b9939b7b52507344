#include "tests/support/child_process.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "quill/handle.h"

namespace korve::test {

std::string beside_test_executable(const std::string& file_name) {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder.erase(folder.find_last_of('\\') + 1);
    return folder + file_name;
}

namespace {

std::size_t peak_working_set_of(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (!::GetProcessMemoryInfo(process, &counters, sizeof(counters))) return 0;
    return counters.PeakWorkingSetSize;
}

}  // namespace

child_result run_child(const std::string& command_line, const std::string& directory,
                       unsigned long time_limit_ms, child_callback while_running, void* context,
                       void* token) {
    child_result result;
    // Wine starts its desktop process with a prefix's first window. Started from a child it
    // inherits the child's copy of the output pipe and keeps the pipe open after the child
    // ends; started from here, before the pipe exists, it holds none.
    ::GetDesktopWindow();
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    quill::unique_handle read_end;
    quill::unique_handle write_end;
    if (!::CreatePipe(read_end.put(), write_end.put(), &inheritable, 0)) return result;
    ::SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end.get();
    startup.hStdError = write_end.get();
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info{};
    std::string mutable_line = command_line;
    const char* const folder = directory.empty() ? nullptr : directory.c_str();
    const BOOL created =
        token == nullptr
            ? ::CreateProcessA(nullptr, mutable_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                               folder, &startup, &info)
            : ::CreateProcessAsUserA(static_cast<HANDLE>(token), nullptr, mutable_line.data(),
                                     nullptr, nullptr, TRUE, 0, nullptr, folder, &startup, &info);
    if (!created) return result;
    result.started = true;
    quill::unique_handle process(info.hProcess);
    quill::unique_handle thread(info.hThread);
    write_end.reset();  // the pipe ends when the child's copies close

    std::string output;
    std::atomic<ULONGLONG> last_output{::GetTickCount64()};
    std::thread reader([&output, &last_output, pipe = read_end.get()] {
        char buffer[4096];
        DWORD read = 0;
        while (::ReadFile(pipe, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
            last_output = ::GetTickCount64();
            output.append(buffer, read);
        }
    });

    const ULONGLONG deadline = ::GetTickCount64() + time_limit_ms;
    for (;;) {
        result.peak_working_set =
            std::max(result.peak_working_set, peak_working_set_of(process.get()));
        if (::WaitForSingleObject(process.get(), 50) == WAIT_OBJECT_0) {
            result.finished = true;
            result.ended_at = ::GetTickCount64();
            break;
        }
        if (::GetTickCount64() >= deadline) {
            ::TerminateProcess(process.get(), 1);
            ::WaitForSingleObject(process.get(), 5000);
            break;
        }
        if (while_running != nullptr) while_running(info.dwProcessId, context);
    }
    reader.join();  // all output read: the last output time is final
    result.last_output_at = last_output;
    ::GetExitCodeProcess(process.get(), &result.exit_code);
    result.output = output;
    return result;
}

}  // namespace korve::test
