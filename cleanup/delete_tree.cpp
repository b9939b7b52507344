#include "cleanup/delete_tree.h"

#include <windows.h>

#include "cleanup/system_folders.h"
#include "quill/fs/delete_tree.h"
#include "quill/unicode/conversion.h"

namespace korve::cleanup {
namespace {

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

bool delete_tree(const std::string& folder, quill::fs::attribute_policy policy,
                 const std::string& trusted_root) {
    // Checked once at the top: what lies inside a product folder cannot be a system folder
    // (links inside are never followed).
    if (is_root_or_empty(folder) || is_system_folder(folder)) {
        ::SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    std::wstring wide;
    std::wstring wide_root;
    try {
        wide = quill::unicode::to_wide(folder, quill::unicode::ansi_codepage);
        wide_root = quill::unicode::to_wide(trusted_root, quill::unicode::ansi_codepage);
    } catch (const std::exception&) {
        ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    return quill::fs::delete_tree(wide_root, wide, policy);
}

}  // namespace korve::cleanup
