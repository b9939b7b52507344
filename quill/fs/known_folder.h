#pragma once

#include <string>

namespace quill::fs {

// Path of a system folder (CSIDL number, for instance CSIDL_APPDATA, CSIDL_COMMON_APPDATA,
// CSIDL_PROGRAM_FILESX86) in the ANSI code page, followed by one backslash.
// Throws quill::exception "Error in ::SHGetFolderPath( 0, CSIDL=%d ...." when the system
// cannot give the folder.
std::string known_folder(int csidl);

// The same without the final backslash; false (and `folder` emptied) when the system cannot
// give the folder. Never throws.
bool try_known_folder(int csidl, std::string& folder) noexcept;

}  // namespace quill::fs
