#pragma once

#include <string>

namespace korve::cleanup {

// Deletes the file at `path` (absolute) below `trusted_root` with quill::fs::delete_below: only
// when no component below the root is a link; a file that is itself a link shown as one goes as
// a link; read-only files stay. False with the thread's last error set when nothing was
// deleted. Narrow paths are ANSI.
bool delete_file(const std::wstring& trusted_root, const std::wstring& path);
bool delete_file(const std::string& trusted_root, const std::string& path);

// Removes the folder at `path` below `trusted_root` the same way when it is empty; false
// (ERROR_DIR_NOT_EMPTY, ERROR_REPARSE_POINT_ENCOUNTERED ...) otherwise.
bool remove_empty_folder(const std::string& trusted_root, const std::string& path);

}  // namespace korve::cleanup
