#pragma once

#include <string>

#include "cleanup/checked_path.h"

namespace korve::cleanup {

// Deletes a folder (narrow ANSI path, with or without a final separator) with everything in
// it, affecting only what lies at that path as built from `known_folder` (the system folder the
// path was built from, ANSI; empty: the folder's own parent). Links at or above the known folder
// are trusted; a link, junction or mount point in any component below it (the folder itself
// included) means nothing is deleted: false, ERROR_REPARSE_POINT_ENCOUNTERED. The paths are
// converted once; the listing and the deletions inside go by handle and wide names, so a name
// the ANSI code page cannot spell goes like any other (a path that is not valid ANSI gives
// false, ERROR_NO_UNICODE_TRANSLATION). With `clear_attributes`, read-only, hidden and system
// attributes are cleared first, so such files go too; without, they stay and so does the
// folder. A file with more than one hard link never has its attributes changed (they are
// shared with its names outside the folder); read-only, it stays.
// Links inside are never followed: a link that the system shows as one is removed as a link,
// its target is left untouched; one that resolves elsewhere without showing as a link (Wine's
// Unix links, a folder swapped during the deletion) is left alone, and so is its folder.
// Only "." and ".." are skipped; other names beginning with a dot are deleted like any other.
// A path quill::fs::is_protected refuses (an empty path, a drive or share root, one of the
// system's own folders or one that holds one, anything inside the Windows folder ...) is
// refused (false, ERROR_INVALID_NAME), and so is a folder that does not lie strictly below
// `known_folder`.
// Returns true when the folder itself was removed; otherwise the thread's last error tells
// why (a missing folder, or a missing component on its way, gives false at once,
// ERROR_PATH_NOT_FOUND). Failures inside the tree are not reported on their own.
bool delete_tree(const std::string& folder, bool clear_attributes,
                 const std::string& known_folder = std::string());

// The same for a folder already opened by open_below (for kFolderAccess): deletes what the
// handle holds, whatever has become of the folder's path since it was opened.
bool delete_opened_tree(const checked_item& folder, bool clear_attributes);

// The access open_below needs for a folder handed to delete_opened_tree.
constexpr ACCESS_MASK kFolderAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_WRITE_ATTRIBUTES | DELETE;

}  // namespace korve::cleanup
