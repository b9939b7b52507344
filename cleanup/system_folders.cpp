#include "cleanup/system_folders.h"

#include <windows.h>

#include <shlobj.h>

#include <cctype>

namespace korve::cleanup {
namespace {

// Only folders whose lookup has no side effect: asking for the user's shell folders makes the
// system write their "Shell Folders" values, which the removal steps read.
const int kSystemFolders[] = {
    CSIDL_WINDOWS,
    CSIDL_SYSTEM,
    CSIDL_SYSTEMX86,
    CSIDL_PROGRAM_FILES,
    CSIDL_PROGRAM_FILESX86,
    CSIDL_PROGRAM_FILES_COMMON,
    CSIDL_PROGRAM_FILES_COMMONX86,
    CSIDL_PROFILE,
};

// Shared data and profile folders the system names in the environment; reading them has no
// side effect either. An unset variable names nothing.
const char* const kEnvironmentFolders[] = {
    "SystemRoot", "ProgramData", "ALLUSERSPROFILE", "PUBLIC", "APPDATA", "LOCALAPPDATA",
};

// One spelling per folder: absolute, ".." and "." resolved, short (8.3) names made long where
// the folder exists, lower case, backslashes only, no final separator.
std::string canonical(const std::string& path) {
    std::string full = path;
    char buffer[MAX_PATH] = {};
    DWORD length = ::GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
    if (length > 0 && length < MAX_PATH) full.assign(buffer, length);
    length = ::GetLongPathNameA(full.c_str(), buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH) full.assign(buffer, length);

    std::string result;
    result.reserve(full.size());
    for (const char c : full) {
        result += c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    while (!result.empty() && result.back() == '\\') result.pop_back();
    return result;
}

std::string parent_of(const std::string& path) {
    const std::size_t last = path.rfind('\\');
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

}  // namespace

bool is_system_folder(const std::string& folder) {
    if (folder.empty()) return false;
    const std::string wanted = canonical(folder);
    if (wanted.empty()) return false;
    for (const int csidl : kSystemFolders) {
        char path[MAX_PATH] = {};
        if (FAILED(::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) continue;
        if (path[0] == '\0') continue;
        const std::string system = canonical(path);
        if (wanted == system) return true;
        // The folder that holds every profile (C:\Users) is as vital as a profile itself.
        if (csidl == CSIDL_PROFILE && wanted == parent_of(system)) return true;
    }
    for (const char* name : kEnvironmentFolders) {
        char path[MAX_PATH] = {};
        const DWORD length = ::GetEnvironmentVariableA(name, path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) continue;
        if (wanted == canonical(path)) return true;
    }
    return false;
}

}  // namespace korve::cleanup
