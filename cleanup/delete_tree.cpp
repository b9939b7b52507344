#include "cleanup/delete_tree.h"

#include <windows.h>

#include "quill/fs/delete_tree.h"
#include "quill/unicode/conversion.h"

namespace korve::cleanup {

bool delete_tree(const std::string& folder, quill::fs::attribute_policy policy,
                 const std::string& trusted_root) {
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
