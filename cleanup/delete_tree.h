#pragma once

#include <string>

#include "quill/fs/delete.h"

namespace korve::cleanup {

// quill::fs::delete_tree for the removal steps' narrow ANSI paths (a folder with or without a
// final separator, below the system folder `trusted_root` it was built from). The paths are
// converted once; the listing and the deletions inside go by handle and wide names, so a name
// the ANSI code page cannot spell goes like any other (a path that is not valid ANSI gives
// false, ERROR_NO_UNICODE_TRANSLATION).
// A path quill::fs::is_protected refuses (an empty path, a drive or share root, one of the
// system's own folders or one that holds one, anything inside the Windows folder ...) is
// refused (false, ERROR_INVALID_NAME), and so is a folder that does not lie strictly below
// `trusted_root`.
// Returns true when the folder itself was removed; otherwise the thread's last error tells
// why.
bool delete_tree(const std::string& folder, quill::fs::attribute_policy policy,
                 const std::string& trusted_root);

}  // namespace korve::cleanup
