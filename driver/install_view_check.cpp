#include "driver/install_view_check.h"

#include <windows.h>

#include <string>

#include "channels/program_channels.h"
#include "driver/installer_step.h"
#include "quill/handle.h"

namespace {

// Where the product registers itself, below HKEY_LOCAL_MACHINE.
const wchar_t* const kRegistrationKeys[] = {
    L"Software\\Kestrana\\KORVE",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velocore",
};

constexpr bool kBuiltFor64Bit = sizeof(void*) == 8;

// The registry wrapper names no view, so this one open does. A link at the key is opened as
// itself: it is there, whatever it leads to.
LONG OpenInView(const wchar_t* path, REGSAM view) {
    quill::unique_hkey opened;
    return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, REG_OPTION_OPEN_LINK, KEY_READ | view,
                           opened.put());
}

// Only "not there" is no registration: a key that cannot be read may well be the product's.
bool RegisteredInView(REGSAM view) {
    for (const wchar_t* path : kRegistrationKeys) {
        const LONG result = OpenInView(path, view);
        if (result != ERROR_FILE_NOT_FOUND && result != ERROR_PATH_NOT_FOUND) return true;
    }
    return false;
}

}  // namespace

bool StopsForOtherArchitectureInstall() {
    if (!kBuiltFor64Bit && !RunsUnderWow64()) return false;
    const REGSAM own_view = kBuiltFor64Bit ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    const REGSAM other_view = kBuiltFor64Bit ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    if (RegisteredInView(own_view) || !RegisteredInView(other_view)) return false;

    const char* const line =
        kBuiltFor64Bit ? "Velocore is installed as a 32-bit program: run the x86 KORVERemover.exe"
                       : "Velocore is installed as a 64-bit program: run the x64 KORVERemover.exe";
    MainChannel().write(quill::log::level_note, std::string(line));
    ::MessageBoxA(nullptr, line, "KORVERemover", MB_OK | MB_ICONWARNING);
    return true;
}
