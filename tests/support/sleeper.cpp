// Test bench program that only waits: copied to a product's executable names it stands in for
// a running product. "run <command line>" makes it the parent of that command instead.
#include <windows.h>

#include <cstring>
#include <string>

int main() {
    const char* arguments = ::GetCommandLineA();
    // Skip the program's own (possibly quoted) name.
    if (*arguments == '"') {
        arguments = std::strchr(arguments + 1, '"');
        arguments = arguments == nullptr ? "" : arguments + 1;
    } else {
        while (*arguments != '\0' && *arguments != ' ') ++arguments;
    }
    while (*arguments == ' ') ++arguments;

    // Long enough for a whole end-to-end run on a loaded machine (the x86 program's root
    // search under WoW64 alone can take half a minute); the watcher outwaits it.
    if (std::strncmp(arguments, "run ", 4) != 0) {
        ::Sleep(300000);
        return 0;
    }
    std::string command = arguments + 4;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info)) {
        return 2;
    }
    ::WaitForSingleObject(info.hProcess, 310000);
    DWORD code = 3;
    ::GetExitCodeProcess(info.hProcess, &code);
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return static_cast<int>(code);
}
