// A stand-in for the suite's tray program, built as KestranaTray.exe. Started plainly it stays
// running until a second instance is started with "/quit"; started with "--ignore-quit" it
// stays running whatever happens. Either ends by itself after two minutes, so a failed test
// leaves nothing behind for long.
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

int request_quit() {
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
