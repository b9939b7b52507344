#pragma once

#include <string>

namespace korve::cleanup {

// Deletes a folder (narrow ANSI path, with or without a final separator) with everything in
// it. The path is converted once; the listing and the deletions inside use wide names, so a
// name the ANSI code page cannot spell goes like any other (a path that is not valid ANSI
// gives false, ERROR_NO_UNICODE_TRANSLATION). With `clear_attributes`, read-only, hidden and system
// attributes are cleared first, so such files go too; without, they stay and so does the folder.
// Links are never followed: a directory junction or symbolic link (inside the folder, or the
// folder itself) is removed as a link, its target is left untouched. Only "." and ".." are
// skipped; other names beginning with a dot are deleted like any other.
// An empty path, a drive or share root, or one of the system's own folders (Windows,
// Program Files, a profile ...) is refused (false, ERROR_INVALID_NAME).
// Returns true when the folder itself was removed; otherwise the thread's last error tells
// why (a folder that cannot be listed, for instance a missing one, gives false at once).
// Failures inside the tree are not reported on their own.
bool delete_tree(const std::string& folder, bool clear_attributes);

// True for "", a drive root (C: or C:\) or a share root (\\server\share), which delete_tree
// refuses.
bool is_root_or_empty(const std::string& folder);

}  // namespace korve::cleanup
