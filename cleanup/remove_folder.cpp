#include "cleanup/remove_folder.h"

#include <io.h>

#include "cleanup/delete_tree.h"

namespace korve::cleanup {

bool remove_folder(quill::log::channel& log, const std::string& folder,
                   const std::string& known_folder) {
    if (::_access(folder.c_str(), 0) != 0) {
        log.write(quill::log::level_note, "Folder to remove '%s' does NOT EXIST !", folder.c_str());
        return false;
    }
    if (delete_tree(folder, true, known_folder)) {
        log.write(quill::log::level_note, ". Folder '%s' was removed", folder.c_str());
        return true;
    }
    log.write(quill::log::level_note, "! Failed to remove folder '%s' !", folder.c_str());
    return false;
}

}  // namespace korve::cleanup
