#include "cleanup/delete_entry.h"

#include <windows.h>

#include "quill/fs/delete.h"
#include "quill/unicode/conversion.h"

namespace korve::cleanup {
namespace {

using quill::fs::attribute_policy;
using quill::fs::item_kind;

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

bool delete_file(const std::wstring& trusted_root, const std::wstring& path) {
    return quill::fs::delete_below(trusted_root, path, item_kind::file, attribute_policy::keep);
}

bool delete_file(const std::string& trusted_root, const std::string& path) {
    std::wstring wide_root;
    std::wstring wide_path;
    return to_wide(trusted_root, wide_root) && to_wide(path, wide_path) &&
           delete_file(wide_root, wide_path);
}

bool remove_empty_folder(const std::string& trusted_root, const std::string& path) {
    std::wstring wide_root;
    std::wstring wide_path;
    return to_wide(trusted_root, wide_root) && to_wide(path, wide_path) &&
           quill::fs::delete_below(wide_root, wide_path, item_kind::folder, attribute_policy::keep);
}

}  // namespace korve::cleanup
