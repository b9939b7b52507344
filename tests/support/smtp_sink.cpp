#include "tests/support/smtp_sink.h"

#include <windows.h>

#include <cstdlib>

#include "quill/handle.h"
#include "tests/support/text_file.h"

namespace korve::test {

namespace {

const unsigned long kPollMs = 50;

void remove_folder_content(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    quill::unique_find find(::FindFirstFileA((folder + "\\*").c_str(), &entry));
    if (!find) return;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            ::DeleteFileA((folder + "\\" + entry.cFileName).c_str());
        }
    } while (::FindNextFileA(find.get(), &entry));
}

bool wait_for_file(const std::string& path, std::string& content, unsigned long wait_ms) {
    const ULONGLONG deadline = ::GetTickCount64() + wait_ms;
    for (;;) {
        if (read_file(path, content)) return true;
        if (::GetTickCount64() >= deadline) return false;
        ::Sleep(kPollMs);
    }
}

}  // namespace

std::string wine_path(const std::string& unix_path) {
    std::string path = "Z:" + unix_path;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

bool start_host_program(const std::string& unix_program, const std::string& arguments) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::string command_line = "\"" + wine_path(unix_program) + "\" " + arguments;
    if (!::CreateProcessA(nullptr, &command_line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info)) {
        return false;
    }
    // A host program has no Windows process; Wine hands out no handles for it, but close
    // any that a future version might give.
    quill::unique_handle process(info.hProcess);
    quill::unique_handle thread(info.hThread);
    return true;
}

smtp_sink::smtp_sink(const std::string& script, const std::string& folder, int count,
                     int limit_seconds)
    : folder_(wine_path(folder)) {
    ::CreateDirectoryA(folder_.c_str(), nullptr);
    remove_folder_content(folder_);
    const std::string arguments = "\"" + script + "\" \"" + folder + "\" " + std::to_string(count) +
                                  " " + std::to_string(limit_seconds);
    if (!start_host_program("/usr/bin/python3", arguments)) return;
    std::string port_text;
    if (!wait_for_file(folder_ + "\\port", port_text, 20000)) return;
    port_ = static_cast<unsigned short>(std::strtoul(port_text.c_str(), nullptr, 10));
}

bool smtp_sink::message(int n, std::string& content, unsigned long wait_ms) const {
    return wait_for_file(folder_ + "\\message-" + std::to_string(n) + ".eml", content, wait_ms);
}

std::string smtp_sink::envelope(int n) const {
    std::string content;
    read_file(folder_ + "\\message-" + std::to_string(n) + ".envelope", content);
    return content;
}

}  // namespace korve::test
