#include "cleanup/remove_folder.h"

#include "quill/fs/ansi_paths.h"

namespace korve::cleanup {

bool remove_folder(quill::log::channel& log, const std::string& folder,
                   const std::string& trusted_root) {
    // A path that cannot be judged (a link on the way, a name the ANSI code page cannot spell)
    // goes to the deletion, which reports it.
    if (quill::fs::ansi::is_missing(trusted_root, folder)) {
        log.write(quill::log::level_note, "Folder to remove '%s' does NOT EXIST !", folder.c_str());
        return false;
    }
    if (quill::fs::ansi::delete_tree(folder, quill::fs::attribute_policy::clear, trusted_root)) {
        log.write(quill::log::level_note, ". Folder '%s' was removed", folder.c_str());
        return true;
    }
    log.write(quill::log::level_note, "! Failed to remove folder '%s' !", folder.c_str());
    return false;
}

}  // namespace korve::cleanup
