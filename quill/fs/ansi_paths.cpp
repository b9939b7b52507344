#include "quill/fs/ansi_paths.h"

#include <windows.h>

#include "quill/fs/delete_tree.h"
#include "quill/fs/open.h"
#include "quill/unicode/conversion.h"

namespace quill::fs::ansi {
namespace {

bool to_wide(const std::string& ansi, std::wstring& wide) {
    try {
        wide = unicode::to_wide(ansi, unicode::ansi_codepage);
        return true;
    } catch (const std::exception&) {
        ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
}

}  // namespace

bool delete_tree(const std::string& folder, attribute_policy policy,
                 const std::string& trusted_root) {
    std::wstring wide_root;
    std::wstring wide;
    return to_wide(trusted_root, wide_root) && to_wide(folder, wide) &&
           fs::delete_tree(wide_root, wide, policy);
}

bool delete_file(const std::string& trusted_root, const std::string& path) {
    std::wstring wide_root;
    std::wstring wide;
    return to_wide(trusted_root, wide_root) && to_wide(path, wide) &&
           delete_below(wide_root, wide, item_kind::file, attribute_policy::keep);
}

bool remove_empty_folder(const std::string& trusted_root, const std::string& path) {
    std::wstring wide_root;
    std::wstring wide;
    return to_wide(trusted_root, wide_root) && to_wide(path, wide) &&
           delete_below(wide_root, wide, item_kind::folder, attribute_policy::keep);
}

bool is_missing(const std::string& trusted_root, const std::string& path) noexcept {
    std::wstring wide_root;
    std::wstring wide;
    bool present = false;
    try {
        return to_wide(trusted_root, wide_root) && to_wide(path, wide) &&
               exists_below(wide_root, wide, item_kind::any, present) && !present;
    } catch (...) {
        return false;
    }
}

}  // namespace quill::fs::ansi
