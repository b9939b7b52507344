#include "quill/fs/protected_folders.h"

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <optional>

#include "quill/fs/normal_path.h"
#include "quill/registry2/key.h"
#include "quill/unicode/conversion.h"

namespace quill::fs {
namespace {

using registry2::access;
using registry2::key;

// The shell hands out folders in MAX_PATH buffers, so no folder it uses is longer; a value
// beyond that names no folder and is skipped before it costs anything.
constexpr std::size_t kLongestFolderPath = MAX_PATH - 1;
// Unexpanded text may be longer than what it expands to ("%USERPROFILE%" to "C:\Users\al").
constexpr DWORD kLongestRawValue = 4 * (kLongestFolderPath + 1) * sizeof(wchar_t);
// Outside data: a user may write any number of values into the keys of their own hive.
constexpr DWORD kMaxValuesPerKey = 256;
constexpr DWORD kMaxValuesInAll = 4096;
constexpr DWORD kMaxSubKeys = 1024;
constexpr DWORD kLongestValueName = 16383;
// Registry key names are at most 255 characters.
constexpr DWORD kKeyNameChars = 256;

const wchar_t* const kCurrentVersion = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const wchar_t* const kProfileList = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const wchar_t* const kShellFolderKeys[] = {
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
};

// Only folders whose lookup has no side effect: asking for a user's shell folder makes the
// system write its "Shell Folders" value, which later removal steps read. The shell folders
// themselves are read from the registry instead.
const int kSystemTrees[] = {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86};
const int kProgramFolders[] = {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86,
                               CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86};

const wchar_t* const kSystemTreeVariables[] = {L"SystemRoot", L"windir"};
const wchar_t* const kFolderVariables[] = {L"USERPROFILE",  L"PUBLIC", L"APPDATA",
                                           L"LOCALAPPDATA", L"TEMP",   L"TMP"};
const wchar_t* const kProgramFolderVariables[] = {
    L"ProgramFiles",       L"ProgramFiles(x86)",       L"ProgramW6432",
    L"CommonProgramFiles", L"CommonProgramFiles(x86)", L"CommonProgramW6432",
    L"ProgramData",        L"ALLUSERSPROFILE",
};
const wchar_t* const kProgramFolderValues[] = {
    L"ProgramFilesDir", L"ProgramFilesDir (x86)", L"ProgramW6432Dir",
    L"CommonFilesDir",  L"CommonFilesDir (x86)",  L"CommonW6432Dir",
};
const wchar_t* const kProfileListValues[] = {L"ProfilesDirectory", L"Default", L"Public",
                                             L"AllUsersProfile"};
const wchar_t* const kProfileFolders[] = {
    L"Desktop",           L"Documents",        L"Downloads", L"Music",
    L"Pictures",          L"Videos",           L"AppData",   L"AppData\\Local",
    L"AppData\\LocalLow", L"AppData\\Roaming",
};

enum class read { done, absent, failed };

read outcome_of(LONG result) {
    if (result == ERROR_SUCCESS) return read::done;
    return result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND ? read::absent
                                                                            : read::failed;
}

bool is_absolute(const std::wstring& path) {
    return (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) ||
           (path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') &&
            (path[1] == L'\\' || path[1] == L'/'));
}

bool is_drive_relative(const std::wstring& path) {
    return path.size() >= 2 && path[1] == L':' &&
           (path.size() == 2 || (path[2] != L'\\' && path[2] != L'/'));
}

// A folder value: REG_SZ, or REG_EXPAND_SZ expanded, of at most the longest folder path.
// Another type, or a longer text, is no folder: absent.
read folder_value(const key& values, const wchar_t* name, std::wstring& text) {
    text.clear();
    DWORD type = 0;
    DWORD size = 0;
    LONG result = values.try_query(name, type, nullptr, size);
    if (result != ERROR_SUCCESS) return outcome_of(result);
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || size > kLongestRawValue) return read::absent;
    // One spare character keeps the text terminated whatever the data holds.
    std::wstring raw(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(raw.size() * sizeof(wchar_t));
    result = values.try_query(name, type, raw.data(), size);
    if (result == ERROR_MORE_DATA) return read::absent;  // grown since: as long as skipped ones
    if (result != ERROR_SUCCESS) return outcome_of(result);
    if (type != REG_SZ && type != REG_EXPAND_SZ) return read::absent;
    raw.resize(::wcsnlen(raw.c_str(), raw.size()));
    if (type == REG_EXPAND_SZ) {
        wchar_t expanded[kLongestFolderPath + 1] = {};
        const DWORD length =
            ::ExpandEnvironmentStringsW(raw.c_str(), expanded, kLongestFolderPath + 1);
        if (length == 0 || length > kLongestFolderPath + 1) return read::absent;
        raw.assign(expanded, length - 1);
    }
    if (raw.size() > kLongestFolderPath) return read::absent;
    text = std::move(raw);
    return read::done;
}

std::wstring environment_folder(const wchar_t* name) {
    wchar_t value[kLongestFolderPath + 1] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, value, kLongestFolderPath + 1);
    if (length == 0 || length > kLongestFolderPath) return {};
    return std::wstring(value, length);
}

std::wstring shell_folder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    path[MAX_PATH - 1] = L'\0';
    return path;
}

read open_for_reading(HKEY root, const wchar_t* path, key& opened) {
    return outcome_of(key::try_open(root, path, opened, access::read));
}

read open_for_reading(const key& parent, const std::wstring& name, key& opened) {
    return outcome_of(key::try_open(parent, name, opened, access::read));
}

read sub_key_names(const key& parent, std::vector<std::wstring>& names) {
    registry2::name_list listed = parent.list_sub_keys({kMaxSubKeys, kKeyNameChars});
    names = std::move(listed.names);
    return listed.code == ERROR_NO_MORE_ITEMS || listed.code == ERROR_SUCCESS ? read::done
                                                                              : read::failed;
}

// The Windows and system folders in every spelling the system gives; empty where it gives none.
std::vector<std::wstring> system_trees() {
    std::vector<std::wstring> folders;
    using directory_getter = UINT(WINAPI*)(LPWSTR, UINT);
    for (const directory_getter getter : {&::GetWindowsDirectoryW, &::GetSystemWindowsDirectoryW,
                                          &::GetSystemDirectoryW, &::GetSystemWow64DirectoryW}) {
        wchar_t path[MAX_PATH] = {};
        const UINT length = getter(path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) folders.emplace_back(path, length);
    }
    for (const int csidl : kSystemTrees) folders.push_back(shell_folder(csidl));
    for (const wchar_t* name : kSystemTreeVariables) folders.push_back(environment_folder(name));
    return folders;
}

// Keeps what it could not read apart from what was not there.
class source_reader {
  public:
    bool complete() const noexcept { return complete_; }

    void note(read outcome) noexcept {
        if (outcome == read::failed) complete_ = false;
    }

    std::wstring value(const key& values, const wchar_t* name) {
        std::wstring text;
        note(folder_value(values, name, text));
        return text;
    }

    // The value `name` of root\path; a key that is not there is no folder.
    std::wstring value(HKEY root, const wchar_t* path, const wchar_t* name) {
        key values;
        const read opened = open_for_reading(root, path, values);
        note(opened);
        return opened == read::done ? value(values, name) : std::wstring();
    }

    std::vector<std::wstring> program_folders() {
        std::vector<std::wstring> folders;
        for (const int csidl : kProgramFolders) folders.push_back(shell_folder(csidl));
        for (const wchar_t* name : kProgramFolderVariables) {
            folders.push_back(environment_folder(name));
        }
        for (const wchar_t* name : kProgramFolderValues) {
            folders.push_back(value(HKEY_LOCAL_MACHINE, kCurrentVersion, name));
        }
        folders.push_back(value(HKEY_LOCAL_MACHINE, kProfileList, L"ProgramData"));
        for (const wchar_t* path : kShellFolderKeys) {
            folders.push_back(value(HKEY_LOCAL_MACHINE, path, L"Common AppData"));
        }
        return folders;
    }

  private:
    bool complete_ = true;
};

}  // namespace

// Gathers of_the_system()'s folders into one list, counting the values it reads.
class folder_collector {
  public:
    explicit folder_collector(protected_folders& folders) : folders_(folders) {}

    void collect() {
        add_system_trees();
        for (const wchar_t* name : kFolderVariables) add(environment_folder(name));
        add(shell_folder(CSIDL_PROFILE));
        for (const std::wstring& folder : reader_.program_folders()) add(folder);
        add_profiles();
        add_shell_folders();
        if (!reader_.complete()) folders_.complete_ = false;
    }

  private:
    void add(const std::wstring& path,
             protected_folders::reach extent = protected_folders::reach::folder) {
        if (!path.empty()) folders_.add(path, extent);
    }

    void add_system_trees() {
        for (const std::wstring& folder : system_trees()) {
            add(folder, protected_folders::reach::tree);
        }
    }

    // By name below each listed profile: a profile whose user is not logged on has no loaded
    // hive to read its shell folders from.
    void add_profiles() {
        key list;
        if (note(open_for_reading(HKEY_LOCAL_MACHINE, kProfileList, list)) != read::done) return;
        for (const wchar_t* name : kProfileListValues) add(reader_.value(list, name));
        std::vector<std::wstring> profiles;
        note(sub_key_names(list, profiles));
        for (const std::wstring& profile : profiles) {
            key entry;
            if (note(open_for_reading(list, profile, entry)) != read::done) continue;
            const std::wstring home = reader_.value(entry, L"ProfileImagePath");
            if (home.empty()) continue;
            add(home);
            for (const wchar_t* folder : kProfileFolders) add(home + L"\\" + folder);
        }
    }

    // Those of the machine, of the user the program runs as and of every other loaded hive.
    void add_shell_folders() {
        for (const wchar_t* path : kShellFolderKeys) {
            add_value_folders(HKEY_LOCAL_MACHINE, path);
            add_value_folders(HKEY_CURRENT_USER, path);
        }
        key users;
        if (note(outcome_of(key::try_open_handle(HKEY_USERS, users, access::read))) != read::done)
            return;
        std::vector<std::wstring> hives;
        note(sub_key_names(users, hives));
        for (const std::wstring& name : hives) {
            key hive;
            if (note(open_for_reading(users, name, hive)) != read::done) continue;
            for (const wchar_t* path : kShellFolderKeys) {
                key values;
                if (note(open_for_reading(hive, path, values)) == read::done)
                    add_value_folders(values);
            }
        }
    }

    void add_value_folders(HKEY root, const wchar_t* path) {
        key values;
        if (note(open_for_reading(root, path, values)) == read::done) add_value_folders(values);
    }

    // The listing gives each value's type and size, so a value that is no folder, or too long
    // for one, is passed over without being read.
    void add_value_folders(const key& values) {
        registry2::value_entry listed;
        // What lies beyond the bound of one key is that key's owner's own; beyond the bound in
        // all, other users' folders would go unseen.
        for (DWORD index = 0; index < kMaxValuesPerKey; ++index) {
            if (values_read_ == kMaxValuesInAll) {
                folders_.complete_ = false;
                return;
            }
            const LONG result = values.try_value_at(index, listed, kLongestValueName + 1);
            if (result == ERROR_NO_MORE_ITEMS) return;
            if (result != ERROR_SUCCESS) {
                folders_.complete_ = false;
                return;
            }
            ++values_read_;
            const DWORD type = listed.type;
            if ((type != REG_SZ && type != REG_EXPAND_SZ) || listed.size > kLongestRawValue)
                continue;
            add(reader_.value(values, listed.name.c_str()));
        }
    }

    read note(read outcome) {
        reader_.note(outcome);
        return outcome;
    }

    protected_folders& folders_;
    source_reader reader_;
    DWORD values_read_ = 0;
};

protected_folders protected_folders::of_the_system() noexcept {
    protected_folders folders;
    try {
        folder_collector(folders).collect();
    } catch (...) {
        folders.complete_ = false;
    }
    return folders;
}

const protected_folders& protected_folders::of_this_run() noexcept {
    static const protected_folders folders = of_the_system();
    return folders;
}

void protected_folders::add(const std::wstring& path, reach extent) {
    if (!is_absolute(path)) return;
    const std::wstring normal = normal_path(path);
    if (normal.empty() || listed(normal, extent)) return;
    entries_.push_back({normal, extent});
    const std::optional<std::wstring> real = real_path(normal);
    if (real && !listed(*real, extent)) entries_.push_back({*real, extent});
}

// Most folders are named by several sources; each is traced once.
bool protected_folders::listed(const std::wstring& normal, reach extent) const noexcept {
    for (const entry& folder : entries_) {
        if ((folder.extent == extent || folder.extent == reach::tree) &&
            same_path(folder.normal, normal)) {
            return true;
        }
    }
    return false;
}

bool protected_folders::protects(const std::wstring& path) const noexcept {
    // "C:" alone names whichever folder is current on that drive.
    if (is_drive_relative(path)) return true;
    const std::wstring normal = normal_path(path);
    if (normal.empty() || is_root(normal)) return true;
    for (const entry& folder : entries_) {
        if (is_or_holds(normal, folder.normal)) return true;
        if (folder.extent == reach::tree && is_or_holds(folder.normal, normal)) return true;
    }
    return false;
}

std::vector<std::wstring> program_folders() {
    std::vector<std::wstring> folders = source_reader().program_folders();
    folders.erase(std::remove(folders.begin(), folders.end(), std::wstring()), folders.end());
    return folders;
}

std::vector<std::wstring> administrator_folders() {
    std::vector<std::wstring> folders = system_trees();
    const std::vector<std::wstring> programs = source_reader().program_folders();
    folders.insert(folders.end(), programs.begin(), programs.end());
    folders.erase(std::remove(folders.begin(), folders.end(), std::wstring()), folders.end());
    return folders;
}

bool is_protected(const std::wstring& path) noexcept {
    try {
        return protected_folders::of_this_run().protects(path);
    } catch (...) {
        return true;
    }
}

bool is_protected(const std::string& ansi_path) noexcept {
    try {
        return is_protected(unicode::to_wide(ansi_path, unicode::ansi_codepage));
    } catch (...) {
        return true;
    }
}

}  // namespace quill::fs
