#pragma once

#include <string>

namespace korve::cleanup {

// Deletes the file at `path` (absolute) built from `known_folder`, by handle, only when no
// component below the known folder is a link (as delete_tree): a file that is itself a link
// shown as one goes as a link; one that resolves elsewhere stays. Read-only files stay.
// False with the thread's last error set when nothing was deleted
// (ERROR_REPARSE_POINT_ENCOUNTERED for a link on the way, ERROR_INVALID_NAME for a path
// quill::fs::is_protected refuses). Narrow paths are ANSI.
bool delete_file(const std::wstring& known_folder, const std::wstring& path);
bool delete_file(const std::string& known_folder, const std::string& path);

// Removes the folder at `path` below `known_folder` the same way when it is empty; false
// (ERROR_DIR_NOT_EMPTY, ERROR_REPARSE_POINT_ENCOUNTERED ...) otherwise.
bool remove_empty_folder(const std::string& known_folder, const std::string& path);

}  // namespace korve::cleanup
