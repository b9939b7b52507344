#include "tests/support/unix_link.h"

#include <windows.h>

#include "tests/support/scratch_folder.h"

namespace korve::test {
namespace {

using unix_name_function = char*(CDECL*)(const wchar_t*);

unix_name_function wine_unix_name() {
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return nullptr;
    return reinterpret_cast<unix_name_function>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "wine_get_unix_file_name")));
}

std::wstring widen(const std::string& text) {
    std::wstring wide(text.size() * 2 + 1, L'\0');
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(),
                                             static_cast<int>(wide.size()));
    wide.resize(length > 0 ? length - 1 : 0);
    return wide;
}

// Starts a host program and waits (up to 10 s) until `done` holds. Wine gives no waitable
// handle for a Unix process, so its effect is watched instead.
template <typename Done>
bool run_host(const std::string& command, Done done) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::string mutable_command = command;
    if (!::CreateProcessA(nullptr, mutable_command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &info)) {
        return false;
    }
    if (info.hThread != nullptr) ::CloseHandle(info.hThread);
    if (info.hProcess != nullptr) ::CloseHandle(info.hProcess);
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (done()) return true;
        ::Sleep(50);
    }
    return done();
}

}  // namespace

bool running_under_wine() {
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string unix_path_of(const std::string& windows_path) {
    const unix_name_function to_unix = wine_unix_name();
    if (to_unix == nullptr) return std::string();
    char* name = to_unix(widen(windows_path).c_str());
    if (name == nullptr) return std::string();
    std::string result(name);
    ::HeapFree(::GetProcessHeap(), 0, name);
    return result;
}

bool make_unix_symlink(const std::string& target, const std::string& link) {
    const std::string unix_target = unix_path_of(target);
    const std::string unix_link = unix_path_of(link);
    if (unix_target.empty() || unix_link.empty()) return false;
    return run_host("Z:\\bin\\ln -s \"" + unix_target + "\" \"" + unix_link + "\"",
                    [&link] { return path_exists(link); });
}

void remove_unix_link(const std::string& link) {
    const std::string unix_link = unix_path_of(link);
    if (unix_link.empty() || !path_exists(link)) return;
    run_host("Z:\\bin\\rm -f \"" + unix_link + "\"", [&link] { return !path_exists(link); });
}

scoped_unix_link::scoped_unix_link(const std::string& target, const std::string& link)
    : link_(link), made_(make_unix_symlink(target, link)) {}

scoped_unix_link::~scoped_unix_link() {
    remove_unix_link(link_);
}

}  // namespace korve::test
