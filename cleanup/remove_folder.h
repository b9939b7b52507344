#pragma once

#include <string>

#include "quill/log/channel.h"

namespace korve::cleanup {

// Deletes a folder with delete_tree (clearing attributes; `known_folder` as there) and logs the
// outcome to `log`: "Folder to remove '%s' does NOT EXIST !", ". Folder '%s' was removed" or
// "! Failed to remove folder '%s' !". Returns true when the folder was removed.
bool remove_folder(quill::log::channel& log, const std::string& folder,
                   const std::string& known_folder = std::string());

}  // namespace korve::cleanup
