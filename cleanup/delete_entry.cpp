#include "cleanup/delete_entry.h"

#include <windows.h>

#include "cleanup/checked_path.h"
#include "quill/fs/protected_folders.h"
#include "quill/unicode/conversion.h"

namespace korve::cleanup {
namespace {

bool delete_below(const std::wstring& known_folder, const std::wstring& path, item_kind kind) {
    if (quill::fs::is_protected(path)) {
        ::SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    DWORD error = ERROR_SUCCESS;
    {
        checked_item item;
        if (!open_below(known_folder, path, kind, DELETE, item)) return false;
        if (mark_for_deletion(item)) return true;  // gone when `item` closes
        error = ::GetLastError();
    }
    ::SetLastError(error);
    return false;
}

bool to_wide(const std::string& ansi, std::wstring& wide) {
    try {
        wide = quill::unicode::to_wide(ansi, quill::unicode::ansi_codepage);
        return true;
    } catch (const std::exception&) {
        ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
}

}  // namespace

bool delete_file(const std::wstring& known_folder, const std::wstring& path) {
    return delete_below(known_folder, path, item_kind::file);
}

bool delete_file(const std::string& known_folder, const std::string& path) {
    std::wstring wide_known;
    std::wstring wide_path;
    return to_wide(known_folder, wide_known) && to_wide(path, wide_path) &&
           delete_file(wide_known, wide_path);
}

bool remove_empty_folder(const std::string& known_folder, const std::string& path) {
    std::wstring wide_known;
    std::wstring wide_path;
    return to_wide(known_folder, wide_known) && to_wide(path, wide_path) &&
           delete_below(wide_known, wide_path, item_kind::folder);
}

}  // namespace korve::cleanup
