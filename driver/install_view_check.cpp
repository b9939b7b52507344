#include "driver/install_view_check.h"

#include <windows.h>

#include <string>

#include "channels/program_channels.h"
#include "driver/installer_step.h"
#include "quill/registry2/key.h"

namespace korve::driver {
namespace {

using quill::registry2::key;
using quill::registry2::view;

// Where the product registers itself, below HKEY_LOCAL_MACHINE: a parent key and its sub-key.
struct registration {
    const wchar_t* parent;
    const wchar_t* name;
};
const registration kRegistrations[] = {
    {L"Software\\Kestrana", L"KORVE"},
    {L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", L"Velocore"},
};

constexpr bool kBuiltFor64Bit = sizeof(void*) == 8;

// A link at the key is opened as itself: it is there, whatever it leads to.
LONG OpenInView(const registration& where, view in) {
    using quill::registry2::access;
    key parent;
    const LONG result = key::try_open(HKEY_LOCAL_MACHINE, where.parent, parent, access::read, in);
    if (result != ERROR_SUCCESS) return result;
    key opened;
    return key::try_open(parent, where.name, opened, access::read,
                         quill::registry2::links::open_as_is);
}

// Only "not there" is no registration: a key that cannot be read may well be the product's.
bool RegisteredInView(view in) {
    for (const registration& where : kRegistrations) {
        const LONG result = OpenInView(where, in);
        if (result != ERROR_FILE_NOT_FOUND && result != ERROR_PATH_NOT_FOUND) return true;
    }
    return false;
}

}  // namespace

bool StopsForOtherArchitectureInstall() {
    if (!kBuiltFor64Bit && !RunsUnderWow64()) return false;
    const view own_view = kBuiltFor64Bit ? view::bit64 : view::bit32;
    const view other_view = kBuiltFor64Bit ? view::bit32 : view::bit64;
    if (RegisteredInView(own_view) || !RegisteredInView(other_view)) return false;

    const char* const line =
        kBuiltFor64Bit ? "Velocore is installed as a 32-bit program: run the x86 KORVERemover.exe"
                       : "Velocore is installed as a 64-bit program: run the x64 KORVERemover.exe";
    MainChannel().write(quill::log::level_note, std::string(line));
    ::MessageBoxA(nullptr, line, "KORVERemover", MB_OK | MB_ICONWARNING);
    return true;
}

}  // namespace korve::driver
