#pragma once

#include <string>

#include "quill/log/channel.h"

namespace korve::cleanup {

// Deletes a folder below `trusted_root` with quill::fs::ansi::delete_tree (clearing
// attributes) and logs the outcome to `log`: "Folder to remove '%s' does NOT EXIST !",
// ". Folder '%s' was removed" or "! Failed to remove folder '%s' !". Returns true when the
// folder was removed.
bool remove_folder(quill::log::channel& log, const std::string& folder,
                   const std::string& trusted_root);

}  // namespace korve::cleanup
