#include "quill/fs/trusted_root.h"

#include <windows.h>

#include <shlobj.h>

#include "quill/fs/open.h"

namespace quill::fs {
namespace {

const int kSystemFolders[] = {
    CSIDL_WINDOWS,
    CSIDL_SYSTEM,
    CSIDL_SYSTEMX86,
    CSIDL_PROGRAM_FILES,
    CSIDL_PROGRAM_FILESX86,
    CSIDL_PROGRAM_FILES_COMMON,
    CSIDL_PROGRAM_FILES_COMMONX86,
    CSIDL_COMMON_APPDATA,
};

// A 32-bit process under WOW64 is told the 32-bit Program Files for CSIDL_PROGRAM_FILES; the
// system names the 64-bit folders in the environment.
const wchar_t* const kNativeFolderVariables[] = {L"ProgramW6432", L"CommonProgramW6432"};

std::wstring normal_form(const std::wstring& path) {
    std::wstring normal = long_path(path);
    while (normal.size() > 3 && (normal.back() == L'\\' || normal.back() == L'/')) {
        normal.pop_back();
    }
    return normal;
}

// True when `path` is `folder` or lies inside it.
bool holds(const std::wstring& folder, const std::wstring& path) {
    if (folder.empty() || path.size() < folder.size()) return false;
    if (::CompareStringOrdinal(folder.c_str(), static_cast<int>(folder.size()), path.c_str(),
                               static_cast<int>(folder.size()), TRUE) != CSTR_EQUAL) {
        return false;
    }
    return path.size() == folder.size() || folder.back() == L'\\' || path[folder.size()] == L'\\';
}

}  // namespace

std::vector<std::wstring> system_roots() {
    std::vector<std::wstring> roots;
    for (const int csidl : kSystemFolders) {
        wchar_t path[MAX_PATH] = {};
        if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) continue;
        if (path[0] != L'\0') roots.push_back(normal_form(path));
    }
    for (const wchar_t* name : kNativeFolderVariables) {
        wchar_t path[MAX_PATH] = {};
        const DWORD length = ::GetEnvironmentVariableW(name, path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) roots.push_back(normal_form(path));
    }
    return roots;
}

std::wstring trusted_root_of(const std::wstring& path) {
    const std::wstring normal = normal_form(path);
    if (normal.size() < 3 || normal[1] != L':' || normal[2] != L'\\') return std::wstring();
    std::wstring deepest = normal.substr(0, 3);
    for (const std::wstring& root : system_roots()) {
        // Only a folder strictly above the path: the path itself is never its own root.
        if (root.size() > deepest.size() && root.size() < normal.size() && holds(root, normal)) {
            deepest = root;
        }
    }
    return deepest;
}

}  // namespace quill::fs
