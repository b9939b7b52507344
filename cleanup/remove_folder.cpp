#include "cleanup/remove_folder.h"

#include "cleanup/delete_tree.h"
#include "quill/fs/open.h"
#include "quill/unicode/conversion.h"

namespace korve::cleanup {
namespace {

// Only a folder that is plainly not there counts as missing; a path that cannot be judged (a
// link on the way, a name the ANSI code page cannot spell) goes to the deletion, which reports
// it.
bool is_missing(const std::string& folder, const std::string& trusted_root) {
    try {
        bool present = false;
        return quill::fs::exists_below(
                   quill::unicode::to_wide(trusted_root, quill::unicode::ansi_codepage),
                   quill::unicode::to_wide(folder, quill::unicode::ansi_codepage),
                   quill::fs::item_kind::any, present) &&
               !present;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

bool remove_folder(quill::log::channel& log, const std::string& folder,
                   const std::string& trusted_root) {
    if (is_missing(folder, trusted_root)) {
        log.write(quill::log::level_note, "Folder to remove '%s' does NOT EXIST !", folder.c_str());
        return false;
    }
    if (delete_tree(folder, quill::fs::attribute_policy::clear, trusted_root)) {
        log.write(quill::log::level_note, ". Folder '%s' was removed", folder.c_str());
        return true;
    }
    log.write(quill::log::level_note, "! Failed to remove folder '%s' !", folder.c_str());
    return false;
}

}  // namespace korve::cleanup
