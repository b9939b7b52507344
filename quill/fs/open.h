#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "quill/fs/item.h"

namespace quill::fs {

// What other openers may do with an item while it is open here.
enum class sharing {
    everything,  // read, write and delete
    read_write,
    read_only,  // fails while anyone has the item open for writing
};

// The opens below return false, with the thread's last error set, when an open fails. A name
// that is not there is not a failure: they return true with `out` empty (and the last error
// ERROR_FILE_NOT_FOUND, or ERROR_PATH_NOT_FOUND for a missing folder on the way). On success
// `out` holds the item, opened for `access` (FILE_READ_ATTRIBUTES and SYNCHRONIZE are added).

// Opens one name (no separators) inside the folder `parent` without following a link. A link
// the system shows as one opens as itself (item::is_link); anything else whose final path is
// not the parent's final path plus `name` (a Unix link under Wine, a folder swapped for a mount
// point) is refused with kLinkInPath.
bool open_link_no_reparse(const item& parent, const std::wstring& name, item_kind kind,
                          ACCESS_MASK access, std::optional<item>& out,
                          sharing share = sharing::everything);

// open_link_no_reparse for a folder.
bool open_dir(const item& parent, const std::wstring& name, ACCESS_MASK access,
              std::optional<item>& out);

// Creates the file `name` inside `parent`, failing (ERROR_FILE_EXISTS) when the name is taken,
// by anything, a dangling link included. False with the last error set, `out` empty.
bool create_new_file(const item& parent, const std::wstring& name, ACCESS_MASK access,
                     sharing share, std::optional<item>& out);

// Opens the folder `trusted_root` (absolute) as the system resolves it, for traversal: links at
// or above it are the system's own arrangement. Missing: true with `out` empty.
bool open_root(const std::wstring& trusted_root, std::optional<item>& out);

// Opens the absolute `path`, which lies strictly below `trusted_root`: the root with open_root,
// each component below it with open_link_no_reparse (folders for traversal only, the last one
// as `kind` for `access`). A component that is a link refuses with kLinkInPath, and a path
// that does not lie below the root or has "." or ".." components below it with
// ERROR_INVALID_NAME.
bool open_below(const std::wstring& trusted_root, const std::wstring& path, item_kind kind,
                ACCESS_MASK access, std::optional<item>& out, sharing share = sharing::everything);

// Whether `path` below `trusted_root` is there, as open_below finds it: true with `present` set;
// false with the last error set when that cannot be told (a link on the way, no access).
bool exists_below(const std::wstring& trusted_root, const std::wstring& path, item_kind kind,
                  bool& present);

// The folder part of the absolute `path` ("C:\" for "C:\x"); empty when it has none.
std::wstring folder_of(const std::wstring& path);

}  // namespace quill::fs
