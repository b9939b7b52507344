// A stand-in for the suite's tray program, built as KestranaTray.exe. Started plainly it stays
// running until a second instance is started with "/quit"; started with "--ignore-quit" it
// stays running whatever happens. Either ends by itself after two minutes, so a failed test
// leaves nothing behind for long. The "/quit" instance writes its current folder (ANSI) to
// the file that the environment variable KESTRANA_TRAY_RECORD names, if set.
#include <windows.h>

#include <cstring>

#include "quill/handle.h"

namespace {

const wchar_t* const kQuitEvent = L"KestranaTrayTestQuit";
constexpr DWORD kLifetime = 120000;
constexpr int kQuitRequested = 0;
constexpr int kLifetimeOver = 3;

bool has_argument(const char* command_line, const char* argument) {
    return command_line != nullptr && std::strstr(command_line, argument) != nullptr;
}

void record_working_folder() {
    char record[MAX_PATH] = {};
    char folder[MAX_PATH] = {};
    if (::GetEnvironmentVariableA("KESTRANA_TRAY_RECORD", record, MAX_PATH) == 0) return;
    const DWORD length = ::GetCurrentDirectoryA(MAX_PATH, folder);
    quill::unique_file file(::CreateFileA(record, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file) ::WriteFile(file.get(), folder, length, &written, nullptr);
}

int request_quit() {
    record_working_folder();
    quill::unique_handle quit(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kQuitEvent));
    if (quit) ::SetEvent(quit.get());
    return kQuitRequested;
}

int run_until_asked_to_quit() {
    quill::unique_handle quit(::CreateEventW(nullptr, TRUE, FALSE, kQuitEvent));
    if (!quit) return 1;
    return ::WaitForSingleObject(quit.get(), kLifetime) == WAIT_OBJECT_0 ? kQuitRequested
                                                                         : kLifetimeOver;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
    if (has_argument(command_line, "/quit")) return request_quit();
    if (has_argument(command_line, "--ignore-quit")) {
        ::Sleep(kLifetime);
        return kLifetimeOver;
    }
    return run_until_asked_to_quit();
}
