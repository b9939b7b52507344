#pragma once

#include <string>

namespace korve::cleanup {

// True when `folder` (ANSI, with or without a final separator, any case, through "..", "." or
// short 8.3 names) is one of the system's own folders: Windows, System, the Program Files
// folders, the shared data folders (ProgramData, Public), the user's profile and application data
// folders, or the folder that holds all profiles. A product folder is never one of them, so a
// registry value naming one is a fault the remover must not act on.
bool is_system_folder(const std::string& folder);

}  // namespace korve::cleanup
