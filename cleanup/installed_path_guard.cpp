#include "cleanup/installed_path_guard.h"

#include <windows.h>

#include <shlobj.h>

#include <cwchar>
#include <optional>
#include <vector>

#include "quill/handle.h"
#include "quill/unicode/conversion.h"

namespace korve::cleanup {
namespace {

using folder_list = std::vector<std::wstring>;

// Registry lists are outside data (a user's hive can hold any number of values): each is read
// only this far.
constexpr DWORD kMaxListedEntries = 1024;
constexpr DWORD kLongestPath = 32768;  // the system's own limit for a path or an expanded text

const wchar_t* const kBrandFolder = L"\\Kestrana";
const wchar_t* const kCurrentVersion = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const wchar_t* const kProfileList = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const wchar_t* const kShellFolderKeys[] = {
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
};

// Looked up through the shell only where that has no side effect: asking for a shell folder
// makes the system write its "Shell Folders" value, which later removal steps read. The shell
// folders themselves are read from the registry instead.
const int kSystemFolders[] = {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_PROFILE};
const int kBrandParentFolders[] = {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86,
                                   CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86};

const wchar_t* const kSystemVariables[] = {
    L"SystemRoot", L"windir",       L"USERPROFILE", L"PUBLIC",
    L"APPDATA",    L"LOCALAPPDATA", L"TEMP",        L"TMP",
};
const wchar_t* const kBrandParentVariables[] = {
    L"ProgramFiles",       L"ProgramFiles(x86)",       L"ProgramW6432",
    L"CommonProgramFiles", L"CommonProgramFiles(x86)", L"CommonProgramW6432",
    L"ProgramData",        L"ALLUSERSPROFILE",
};
const wchar_t* const kBrandParentValues[] = {
    L"ProgramFilesDir", L"ProgramFilesDir (x86)", L"ProgramW6432Dir",
    L"CommonFilesDir",  L"CommonFilesDir (x86)",  L"CommonW6432Dir",
};
const wchar_t* const kProfileListValues[] = {L"ProfilesDirectory", L"Default", L"Public",
                                             L"AllUsersProfile"};

bool is_separator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool is_ascii_letter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// "X:\" and more: the only spelling that names one place whatever the current folder is.
bool is_drive_absolute(const std::wstring& path) {
    return path.size() >= 3 && is_ascii_letter(path[0]) && path[1] == L':' && is_separator(path[2]);
}

std::wstring upper(std::wstring text) {
    if (!text.empty()) ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The system maps these names to devices in any folder and with any extension ("NUL.txt").
bool is_device_name(const std::wstring& component) {
    std::wstring base = upper(component.substr(0, component.find(L'.')));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (base == device) return true;
    }
    return base.size() == 4 &&
           (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
           base[3] >= L'0' && base[3] <= L'9';
}

// Short (8.3) names made long as far as the path exists; beyond that nothing is there to name.
std::wstring long_form(const std::wstring& path) {
    std::size_t end = path.size();
    while (end > 2) {
        const std::wstring existing = path.substr(0, end);
        std::wstring buffer(kLongestPath, L'\0');
        const DWORD length = ::GetLongPathNameW(existing.c_str(), buffer.data(), kLongestPath);
        if (length > 0 && length < kLongestPath) {
            buffer.resize(length);
            while (buffer.size() > 2 && is_separator(buffer.back())) buffer.pop_back();
            return buffer + path.substr(end);
        }
        end = path.rfind(L'\\', end - 1);
        if (end == std::wstring::npos) break;
    }
    return path;
}

// Full path, "." and ".." resolved, every component without the trailing dots and blanks the
// file system drops, long names, backslashes, no final separator ("C:" for a root). Empty for
// anything that is not a plain path on a drive.
std::wstring normal_form(const std::wstring& path) {
    if (!is_drive_absolute(path)) return {};
    for (std::size_t i = 2; i < path.size(); ++i) {
        // A second colon names a stream; wildcards would be listed as patterns.
        if (path[i] < L' ' || std::wcschr(L":*?\"<>|", path[i]) != nullptr) return {};
    }
    std::wstring full(kLongestPath, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), kLongestPath, full.data(), nullptr);
    if (length == 0 || length >= kLongestPath) return {};
    full.resize(length);
    if (!is_drive_absolute(full)) return {};  // a device name turned into "\\.\NUL"

    std::wstring normal = upper(full.substr(0, 1)) + L":";
    std::size_t start = 3;
    while (start <= full.size()) {
        std::size_t end = full.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) end = full.size();
        std::wstring component = full.substr(start, end - start);
        start = end + 1;
        if (component.empty()) continue;  // doubled or final separator
        while (!component.empty() && (component.back() == L'.' || component.back() == L' ')) {
            component.pop_back();
        }
        if (component.empty() || is_device_name(component)) return {};
        normal += L"\\" + component;
    }
    return long_form(normal);
}

bool on_fixed_drive(const std::wstring& normal) {
    return ::GetDriveTypeW((normal.substr(0, 2) + L"\\").c_str()) == DRIVE_FIXED;
}

// The folder an existing path really leads to, links followed, in normal form; the path itself
// when nothing is there yet. Nothing when the folder exists but cannot be traced, or leads off
// the local drives.
std::optional<std::wstring> real_form(const std::wstring& normal) {
    if (normal.size() <= 2) return normal;  // "C:" alone would open the drive's current folder
    quill::unique_file folder(::CreateFileW(normal.c_str(), FILE_READ_ATTRIBUTES,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                            nullptr));
    if (!folder) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return normal;
        return std::nullopt;
    }
    std::wstring final(kLongestPath, L'\0');
    const DWORD length = ::GetFinalPathNameByHandleW(folder.get(), final.data(), kLongestPath,
                                                     FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= kLongestPath) return std::nullopt;
    final.resize(length);
    const std::wstring local_prefix = L"\\\\?\\";
    if (final.compare(0, local_prefix.size(), local_prefix) == 0)
        final.erase(0, local_prefix.size());
    const std::wstring real = normal_form(final);  // "UNC\server\..." gives nothing
    if (real.empty()) return std::nullopt;
    return real;
}

// Every spelling of a protected folder the guard compares with: where it is named and, when
// that differs, where it really is.
void add_folder(folder_list& folders, const std::wstring& path) {
    const std::wstring normal = normal_form(path);
    if (normal.empty()) return;
    folders.push_back(upper(normal));
    const std::optional<std::wstring> real = real_form(normal);
    if (real && *real != normal) folders.push_back(upper(*real));
}

void add_brand_parent(folder_list& folders, const std::wstring& path) {
    if (path.empty()) return;
    add_folder(folders, path);
    add_folder(folders, path + kBrandFolder);
}

std::wstring environment_folder(const wchar_t* name) {
    std::wstring value(kLongestPath, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, value.data(), kLongestPath);
    if (length == 0 || length >= kLongestPath) return {};
    value.resize(length);
    return value;
}

std::wstring shell_folder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    path[MAX_PATH - 1] = L'\0';
    return path;
}

// REG_SZ, or REG_EXPAND_SZ expanded; empty when missing or of another type.
std::wstring registry_text(HKEY key, const wchar_t* sub_key, const wchar_t* value) {
    std::wstring text(kLongestPath, L'\0');
    DWORD size = kLongestPath * sizeof(wchar_t);
    if (::RegGetValueW(key, sub_key, value, RRF_RT_REG_SZ, nullptr, text.data(), &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    text.resize(::wcsnlen(text.c_str(), size / sizeof(wchar_t)));
    return text;
}

quill::unique_hkey open_for_reading(HKEY root, const wchar_t* path) {
    quill::unique_hkey key;
    if (::RegOpenKeyExW(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) key.reset();
    return key;
}

// Registry names are at most 255 characters for keys and 16383 for values.
std::vector<std::wstring> sub_key_names(HKEY key) {
    std::vector<std::wstring> names;
    for (DWORD index = 0; index < kMaxListedEntries; ++index) {
        wchar_t name[256] = {};
        DWORD length = 256;
        if (::RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

void add_value_folders(folder_list& folders, HKEY root, const wchar_t* path) {
    const quill::unique_hkey key = open_for_reading(root, path);
    if (!key) return;
    std::wstring name(16384, L'\0');
    for (DWORD index = 0; index < kMaxListedEntries; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (::RegEnumValueW(key.get(), index, name.data(), &length, nullptr, nullptr, nullptr,
                            nullptr) != ERROR_SUCCESS) {
            break;
        }
        add_folder(folders, registry_text(key.get(), nullptr, name.substr(0, length).c_str()));
    }
}

void add_profiles(folder_list& folders) {
    const quill::unique_hkey list = open_for_reading(HKEY_LOCAL_MACHINE, kProfileList);
    if (!list) return;
    for (const wchar_t* value : kProfileListValues) {
        add_folder(folders, registry_text(list.get(), nullptr, value));
    }
    add_brand_parent(folders, registry_text(list.get(), nullptr, L"ProgramData"));
    for (const std::wstring& profile : sub_key_names(list.get())) {
        add_folder(folders, registry_text(list.get(), profile.c_str(), L"ProfileImagePath"));
    }
}

// Those of the machine, of the user the program runs as and of every other loaded user.
void add_shell_folders(folder_list& folders) {
    for (const wchar_t* path : kShellFolderKeys) {
        add_value_folders(folders, HKEY_LOCAL_MACHINE, path);
        add_value_folders(folders, HKEY_CURRENT_USER, path);
    }
    add_brand_parent(folders,
                     registry_text(HKEY_LOCAL_MACHINE, kShellFolderKeys[0], L"Common AppData"));
    add_brand_parent(folders,
                     registry_text(HKEY_LOCAL_MACHINE, kShellFolderKeys[1], L"Common AppData"));
    const quill::unique_hkey users = open_for_reading(HKEY_USERS, nullptr);
    if (!users) return;
    for (const std::wstring& user : sub_key_names(users.get())) {
        const quill::unique_hkey hive = open_for_reading(users.get(), user.c_str());
        if (!hive) continue;
        for (const wchar_t* path : kShellFolderKeys) add_value_folders(folders, hive.get(), path);
    }
}

void add_system_directories(folder_list& folders) {
    using directory_getter = UINT(WINAPI*)(LPWSTR, UINT);
    for (const directory_getter getter : {&::GetWindowsDirectoryW, &::GetSystemWindowsDirectoryW,
                                          &::GetSystemDirectoryW, &::GetSystemWow64DirectoryW}) {
        wchar_t path[MAX_PATH] = {};
        const UINT length = getter(path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) add_folder(folders, path);
    }
}

folder_list protected_folders() {
    folder_list folders;
    add_system_directories(folders);
    for (const int csidl : kSystemFolders) add_folder(folders, shell_folder(csidl));
    for (const int csidl : kBrandParentFolders) add_brand_parent(folders, shell_folder(csidl));
    for (const wchar_t* name : kSystemVariables) add_folder(folders, environment_folder(name));
    for (const wchar_t* name : kBrandParentVariables) {
        add_brand_parent(folders, environment_folder(name));
    }
    for (const wchar_t* value : kBrandParentValues) {
        add_brand_parent(folders, registry_text(HKEY_LOCAL_MACHINE, kCurrentVersion, value));
    }
    add_profiles(folders);
    add_shell_folders(folders);
    return folders;
}

// True when `candidate` is `folder` or holds it (both upper-case normal forms).
bool is_or_holds(const std::wstring& candidate, const std::wstring& folder) {
    return folder.compare(0, candidate.size(), candidate) == 0 &&
           (folder.size() == candidate.size() || folder[candidate.size()] == L'\\');
}

}  // namespace

installed_path_guard::installed_path_guard() noexcept {
    try {
        protected_ = protected_folders();
        complete_ = true;
    } catch (...) {
        protected_.clear();
    }
}

bool installed_path_guard::accepts(const std::string& folder) const noexcept {
    if (!complete_) return false;
    try {
        const std::wstring normal =
            normal_form(quill::unicode::to_wide(folder, quill::unicode::ansi_codepage));
        if (normal.size() <= 2) return false;  // no plain path, or a drive root
        const std::optional<std::wstring> real = real_form(normal);
        if (!real || real->size() <= 2) return false;
        for (const std::wstring& place : {normal, *real}) {
            if (!on_fixed_drive(place)) return false;
            const std::wstring wanted = upper(place);
            for (const std::wstring& system : protected_) {
                if (is_or_holds(wanted, system)) return false;
            }
        }
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace korve::cleanup
