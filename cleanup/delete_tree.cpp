#include "cleanup/delete_tree.h"

#include <windows.h>

#include "cleanup/system_folders.h"
#include "quill/handle.h"
#include "quill/unicode/conversion.h"

namespace korve::cleanup {
namespace {

bool is_link(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool is_folder(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool delete_tree_unchecked(const std::wstring& folder, bool clear_attributes);

void delete_entry(const std::wstring& path, DWORD attributes, bool clear_attributes) {
    if (is_link(attributes)) {
        // Removing the link itself; attribute changes would reach the link's target.
        if (is_folder(attributes)) {
            ::RemoveDirectoryW(path.c_str());
        } else {
            ::DeleteFileW(path.c_str());
        }
        return;
    }
    if (clear_attributes) ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (is_folder(attributes)) {
        delete_tree_unchecked(path, clear_attributes);
    } else {
        ::DeleteFileW(path.c_str());
    }
}

bool is_wide_separator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool is_separator(char c) {
    return c == '\\' || c == '/';
}

}  // namespace

// Listing such a path would reach far beyond any product folder ("" lists the root of the
// current drive).
bool is_root_or_empty(const std::string& folder) {
    std::size_t end = folder.size();
    while (end > 0 && is_separator(folder[end - 1])) --end;
    if (end == 0) return true;
    if (end == 2 && folder[1] == ':') return true;
    if (folder.size() > 2 && is_separator(folder[0]) && is_separator(folder[1])) {
        std::size_t separators = 0;
        for (std::size_t i = 2; i < end; ++i) separators += is_separator(folder[i]) ? 1 : 0;
        return separators <= 1;
    }
    return false;
}

namespace {

// Wide from here on: names found inside the folder never pass through the ANSI code page,
// which would turn the characters it lacks into "?" and make those names unreachable.
bool delete_tree_unchecked(const std::wstring& folder, bool clear_attributes) {
    std::wstring path = folder;
    if (!is_wide_separator(path.back())) path += L'\\';
    const std::wstring folder_itself = path.substr(0, path.size() - 1);

    const DWORD own_attributes = ::GetFileAttributesW(folder_itself.c_str());
    if (own_attributes != INVALID_FILE_ATTRIBUTES && is_link(own_attributes)) {
        return ::RemoveDirectoryW(folder_itself.c_str()) != FALSE;
    }

    WIN32_FIND_DATAW entry{};
    {
        quill::unique_find listing(::FindFirstFileW((path + L"*").c_str(), &entry));
        if (!listing) return false;
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            delete_entry(path + name, entry.dwFileAttributes, clear_attributes);
        } while (::FindNextFileW(listing.get(), &entry));
    }

    // A read-only folder cannot be removed either.
    if (clear_attributes) ::SetFileAttributesW(folder_itself.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::RemoveDirectoryW(folder_itself.c_str()) != FALSE;
}

}  // namespace

bool delete_tree(const std::string& folder, bool clear_attributes) {
    // Checked once at the top: what lies inside a product folder cannot be a system folder
    // (links inside are never followed).
    if (is_root_or_empty(folder) || is_system_folder(folder)) {
        ::SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    std::wstring wide;
    try {
        wide = quill::unicode::to_wide(folder, quill::unicode::ansi_codepage);
    } catch (const std::exception&) {
        ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    return delete_tree_unchecked(wide, clear_attributes);
}

}  // namespace korve::cleanup
