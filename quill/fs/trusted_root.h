#pragma once

#include <string>
#include <vector>

namespace quill::fs {

// The system folders that only administrators can change, whose own links are the system's
// arrangement: Windows, the system folders, Program Files and its 32-bit twin, the Common
// Files folders and ProgramData, as the system names them now (absolute, long form, without
// a final separator). A folder the system cannot name is left out.
std::vector<std::wstring> system_roots();

// The trusted root to open `path` (absolute) from: the deepest of system_roots() that holds
// it, or else its drive root ("C:\"). Empty for a path without a drive letter.
std::wstring trusted_root_of(const std::wstring& path);

}  // namespace quill::fs
