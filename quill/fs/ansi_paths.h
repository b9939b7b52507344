#pragma once

#include <string>

#include "quill/fs/delete.h"

// The layer's deletions for callers that hold narrow paths in the ANSI code page (as the
// system's ANSI folder calls give them). The paths are converted once; the listing and the
// deletions inside go by handle and wide names, so a name the ANSI code page cannot spell goes
// like any other. A path that is not valid ANSI deletes nothing and gives false with
// ERROR_NO_UNICODE_TRANSLATION.
namespace quill::fs::ansi {

// delete_tree below `trusted_root` (a folder with or without a final separator). A path
// quill::fs::is_protected refuses (an empty path, a drive or share root, one of the system's
// own folders or one that holds one, anything inside the Windows folder ...) is refused (false,
// ERROR_INVALID_NAME), and so is a folder that does not lie strictly below `trusted_root`.
// Returns true when the folder itself was removed; otherwise the thread's last error tells why.
bool delete_tree(const std::string& folder, attribute_policy policy,
                 const std::string& trusted_root);

// Deletes the file at `path` (absolute) below `trusted_root` with delete_below: only when no
// component below the root is a link; a file that is itself a link shown as one goes as a
// link; read-only files stay. False with the thread's last error set when nothing was deleted.
bool delete_file(const std::string& trusted_root, const std::string& path);

// Removes the folder at `path` below `trusted_root` the same way when it is empty; false
// (ERROR_DIR_NOT_EMPTY, ERROR_REPARSE_POINT_ENCOUNTERED ...) otherwise.
bool remove_empty_folder(const std::string& trusted_root, const std::string& path);

// True only when `path` below `trusted_root` is plainly not there; a path that cannot be
// judged (a link on the way, a name that is not valid ANSI) is not missing.
bool is_missing(const std::string& trusted_root, const std::string& path) noexcept;

}  // namespace quill::fs::ansi
