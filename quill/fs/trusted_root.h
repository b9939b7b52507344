#pragma once

#include <string>
#include <vector>

namespace quill::fs {

// administrator_folders() in their normal form (normal_path); a folder the system cannot name
// is left out.
std::vector<std::wstring> system_roots();

// The trusted root to open `path` (absolute) from: the deepest of system_roots() that holds
// it, or else its drive root ("C:\"). Empty for a path without a drive letter.
std::wstring trusted_root_of(const std::wstring& path);

}  // namespace quill::fs
